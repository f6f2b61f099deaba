#include "common/operator.h"

#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "common/scriptchecks.h"
#include "data/dmfrm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QtTest>

TConnectedMainWindow::TConnectedMainWindow(const QString &database, bool connect)
    : m_app(database), m_form(std::make_unique<TMainForm>())
{
    MainForm = m_form.get();
    CreateStartupWindows(m_form.get());
    if (connect)
        DM->Connect();
}

TConnectedMainWindow::~TConnectedMainWindow()
{
    DestroyForm();
}

void TConnectedMainWindow::DestroyForm()
{
    m_form.reset();
    MainForm = nullptr;
}

TDialogScripts::TDialogScripts()
{
    SetDialogHandler([this](QDialog *d) {
        ++m_shown[d->objectName()];
        d->setResult(QDialog::Rejected);
        d->show();
        std::deque<Script> &queue = m_scripts[d->objectName()];
        if (!queue.empty()) {
            const Script script = queue.front();
            queue.pop_front();
            if (!ScriptFailed())
                script(d);
        }
        if (d->isVisible())
            d->reject();
        return d->result();
    });
}

TDialogScripts::~TDialogScripts()
{
    Uninstall();
}

void TDialogScripts::Uninstall()
{
    SetDialogHandler({});
}

void TDialogScripts::Expect(const QString &dialog, Script script)
{
    m_scripts[dialog].push_back(std::move(script));
}

int TDialogScripts::Shown() const
{
    int all = 0;
    for (const int n : m_shown)
        all += n;
    return all;
}

QStringList TDialogScripts::Unplayed() const
{
    QStringList names;
    for (auto it = m_scripts.cbegin(); it != m_scripts.cend(); ++it)
        if (!it.value().empty())
            names << it.key();
    names.sort();
    return names;
}

void TDialogScripts::Clear()
{
    m_scripts.clear();
    m_shown.clear();
}

TMessageCapture::TMessageCapture()
{
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m;
        if (!m.buttons.testFlag(QMessageBox::Yes))
            return QMessageBox::Ok;
        if (m_answers.empty())
            return QMessageBox::Yes;
        const QMessageBox::StandardButton answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    });
}

TMessageCapture::~TMessageCapture()
{
    Uninstall();
}

void TMessageCapture::Uninstall()
{
    SetMessageResponder({});
}

QStringList TMessageCapture::Texts() const
{
    QStringList texts;
    for (const MessageInfo &m : m_boxes)
        texts << m.text;
    return texts;
}

void TMessageCapture::Clear()
{
    m_boxes.clear();
    m_answers.clear();
}

void TypeText(QWidget *target, const QString &text)
{
    if (!target)
        return;
    for (const QChar c : text) {
        // Latin letters and digits with their key codes, as shortcuts and
        // validators see them; every other character as text alone
        const int key = c.unicode() < 128 && c.isLetterOrNumber() ? c.toUpper().unicode()
                                                                  : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
}

void TypeInto(QWidget *window, const char *edit, const QString &text)
{
    if (ScriptFailed())
        return;
    auto *e = window->findChild<QLineEdit *>(QLatin1String(edit));
    if (!SCRIPT_VERIFY2(
            e, QStringLiteral("no edit %1 in %2").arg(QLatin1String(edit), window->objectName())))
        return;
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    TypeText(e, text);
}

void Click(QWidget *window, const char *button)
{
    if (ScriptFailed())
        return;
    auto *b = window->findChild<QAbstractButton *>(QLatin1String(button));
    if (SCRIPT_VERIFY2(
            b,
            QStringLiteral("no button %1 in %2").arg(QLatin1String(button), window->objectName())))
        b->click();
}

QByteArray ReadFile(const QString &path, const QByteArray &unreadable)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : unreadable;
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
