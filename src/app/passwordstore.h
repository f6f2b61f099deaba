#pragma once
// The desktop's keyring (the Secret Service of GNOME and others, or KWallet)
// through QtKeychain, waited for: each call returns when the keyring has
// answered. The password never reaches a message or a log.

#include <QString>

enum class TKeyringStatus {
    Done,      // read, stored or removed
    NotFound,  // no such entry (a locked keyring answers so on reading)
    NoService, // no keyring service on the session bus (a bare server, CI)
    Refused,   // a keyring is there but refused: locked, access denied, no answer
};

struct TKeyringResult {
    TKeyringStatus status = TKeyringStatus::NoService;
    QString password; // what Read found
    QString detail;   // the keyring's reason for a refusal
};

namespace Keyring {
// Whether a keyring service runs on the session bus or can be started there.
bool Available();
TKeyringResult Read(const QString &key);
TKeyringResult Write(const QString &key, const QString &password);
TKeyringResult Remove(const QString &key);
// How long a call waits for the keyring (an unlock prompt on the desktop
// included) before it counts as refused.
inline constexpr int TimeoutMs = 60000;
} // namespace Keyring
