#include "app/passwordstore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <memory>

namespace {

const QString Service = QStringLiteral("Kestrum");

// The session bus as libsecret finds it: the address the session gives, or
// the user's bus socket of systemd.
QString sessionBusAddress()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")))
        return QStringLiteral("unix:path=%1/bus").arg(runtime);
    return QString();
}

struct TJobOutcome {
    bool finished = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorString;
    QString text;
};

// Starts the job and waits for it; the job deletes itself when it ends,
// also after the wait was given up.
TKeyringResult run(QKeychain::Job *job)
{
    auto outcome = std::make_shared<TJobOutcome>();
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [outcome, &loop](QKeychain::Job *j) {
        outcome->finished = true;
        outcome->error = j->error();
        outcome->errorString = j->errorString();
        if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(j))
            outcome->text = read->textData();
        loop.quit();
    });
    QTimer::singleShot(Keyring::TimeoutMs, &loop, &QEventLoop::quit);
    job->setAutoDelete(true);
    job->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);

    TKeyringResult r;
    if (!outcome->finished) {
        r.status = TKeyringStatus::Refused;
        r.detail =
            QStringLiteral("связка ключей не ответила за %1 с").arg(Keyring::TimeoutMs / 1000);
        return r;
    }
    r.detail = outcome->errorString;
    switch (outcome->error) {
    case QKeychain::NoError:
        r.status = TKeyringStatus::Done;
        r.password = outcome->text;
        r.detail.clear();
        break;
    case QKeychain::EntryNotFound:
        r.status = TKeyringStatus::NotFound;
        break;
    case QKeychain::NoBackendAvailable:
        r.status = TKeyringStatus::NoService;
        break;
    case QKeychain::OtherError:
        // the service may have gone away since it was asked for
        r.status = Keyring::Available() ? TKeyringStatus::Refused : TKeyringStatus::NoService;
        break;
    default:
        r.status = TKeyringStatus::Refused;
        break;
    }
    return r;
}

TKeyringResult noService()
{
    return TKeyringResult{TKeyringStatus::NoService, QString(), QString()};
}

} // namespace

bool Keyring::Available()
{
    const QString address = sessionBusAddress();
    if (address.isEmpty())
        return false;
    // a connection of its own each time: the bus of a session may change
    // (a test starts one), and a failed one is not kept
    const QString name = QStringLiteral("kestrum-keyring-probe");
    bool found = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, name);
        if (bus.isConnected() && bus.interface()) {
            const QStringList services{QStringLiteral("org.freedesktop.secrets"),
                                       QStringLiteral("org.kde.kwalletd6"),
                                       QStringLiteral("org.kde.kwalletd5")};
            for (const QString &s : services)
                found = found || bus.interface()->isServiceRegistered(s).value();
            if (!found) {
                const QDBusReply<QStringList> startable =
                    bus.interface()->activatableServiceNames();
                for (const QString &s : services)
                    found = found || (startable.isValid() && startable.value().contains(s));
            }
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return found;
}

TKeyringResult Keyring::Read(const QString &key)
{
    if (!Available())
        return noService();
    auto *job = new QKeychain::ReadPasswordJob(Service);
    job->setKey(key);
    return run(job);
}

TKeyringResult Keyring::Write(const QString &key, const QString &password)
{
    if (!Available())
        return noService();
    auto *job = new QKeychain::WritePasswordJob(Service);
    job->setKey(key);
    job->setTextData(password);
    return run(job);
}

TKeyringResult Keyring::Remove(const QString &key)
{
    if (!Available())
        return noService();
    auto *job = new QKeychain::DeletePasswordJob(Service);
    job->setKey(key);
    return run(job);
}
