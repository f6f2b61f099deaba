#pragma once
// What the tests do in the operator's place: the connected main window, the
// scripts played in dialogs, the message boxes answered and kept, typing,
// and the files a test reads and writes.

#include "base/utils.h"
#include "common/appfixture.h"

#include <QHash>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

class QDialog;
class QWidget;
class TMainForm;

// The program as it stands after start-up: the settings pointing at a test
// database, the main window (the global MainForm) with every window the
// program makes at start-up, and, unless told otherwise, connected.
class TConnectedMainWindow
{
public:
    explicit TConnectedMainWindow(const QString &database, bool connect = true);
    ~TConnectedMainWindow();
    TMainForm *Form() const { return m_form.get(); }
    // Destroys the main window (and what it owns) before the settings and the
    // data module go, for a check of what it leaves behind.
    void DestroyForm();
    TAppFixture &App() { return m_app; }

private:
    TAppFixture m_app;
    std::unique_ptr<TMainForm> m_form;
};

// Modal dialogs shown as exec() would show them: each is shown, the next
// script queued for its object name plays the operator in it, and what is
// still open afterwards is closed as Esc closes it. The program's dialog
// handler while the object lives (or until Uninstall()).
class TDialogScripts
{
public:
    using Script = std::function<void(QDialog *)>;
    TDialogScripts();
    ~TDialogScripts();
    TDialogScripts(const TDialogScripts &) = delete;
    TDialogScripts &operator=(const TDialogScripts &) = delete;
    static void Uninstall();
    // Queues a script for the next showing of the dialog named so.
    void Expect(const QString &dialog, Script script);
    // How often the dialog was shown since the last Clear(); without a name,
    // how many dialogs were shown in all.
    int Shown(const QString &dialog) const { return m_shown.value(dialog); }
    int Shown() const;
    // The dialogs whose queued scripts were never played.
    QStringList Unplayed() const;
    void Clear();

private:
    QHash<QString, std::deque<Script>> m_scripts;
    QHash<QString, int> m_shown;
};

// Fails the test when a queued script was never played, unless it failed
// already (its own failure is the one to see).
#define CHECK_ALL_SCRIPTS_PLAYED(scripts)                                                         \
    do {                                                                                          \
        const QStringList unplayed_ = (scripts).Unplayed();                                       \
        QVERIFY2(                                                                                 \
            unplayed_.isEmpty() || QTest::currentTestFailed(),                                    \
            qPrintable(unplayed_.join(QStringLiteral(", ")) + QStringLiteral(" not shown")));     \
    } while (false)

// Message boxes answered in the operator's place and kept for the test to
// read. A question gets the next queued answer, Yes when none is queued; any
// other box is acknowledged with OK. The program's message responder while the
// object lives (or until Uninstall()).
class TMessageCapture
{
public:
    TMessageCapture();
    ~TMessageCapture();
    TMessageCapture(const TMessageCapture &) = delete;
    TMessageCapture &operator=(const TMessageCapture &) = delete;
    static void Uninstall();
    void Answer(QMessageBox::StandardButton button) { m_answers.push_back(button); }
    const QList<MessageInfo> &Boxes() const { return m_boxes; }
    QStringList Texts() const;
    void Clear();

private:
    QList<MessageInfo> m_boxes;
    std::deque<QMessageBox::StandardButton> m_answers;
};

// Types text key by key into the widget as the keyboard would, Cyrillic
// included (QTest::keyClicks takes Latin-1 only).
void TypeText(QWidget *target, const QString &text);
// What the operator types into the edit named so in a window: the old text
// is selected and erased first. Records a failure when there is no such edit;
// does nothing once a check of a script has failed.
void TypeInto(QWidget *window, const char *edit, const QString &text);
// Clicks the button named so in a window; records a failure when there is no
// such button, does nothing once a check of a script has failed.
void Click(QWidget *window, const char *button);

// The bytes of a file; unreadable (empty unless given) when it cannot be read.
QByteArray ReadFile(const QString &path, const QByteArray &unreadable = QByteArray());
// False when the file cannot be written whole.
bool WriteFile(const QString &path, const QByteArray &bytes);
