#include "base/utils.h"

#include "base/datadir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

namespace {

MessageResponder g_responder;
DialogHandler g_dialogHandler;

QString displayText(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

QMessageBox::StandardButton showBox(const QString &title, const QString &text,
                                    QMessageBox::Icon icon,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton,
                                    QMessageBox::StandardButton escapeButton,
                                    QWidget *parent)
{
    MessageInfo info{title, displayText(text), icon, buttons, defaultButton, escapeButton};
    if (g_responder)
        return g_responder(info);

    QMessageBox box(icon, title, info.text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    if (escapeButton != QMessageBox::NoButton)
        box.setEscapeButton(escapeButton);
    if (QAbstractButton *yes = box.button(QMessageBox::Yes))
        yes->setText(QStringLiteral("&Yes"));
    if (QAbstractButton *no = box.button(QMessageBox::No))
        no->setText(QStringLiteral("&No"));
    const int r = box.exec();
    if (box.clickedButton() == nullptr)
        return escapeButton != QMessageBox::NoButton ? escapeButton : QMessageBox::Ok;
    return static_cast<QMessageBox::StandardButton>(r);
}

} // namespace

void WarningBox(const QString &text, QWidget *parent)
{
    showBox(QStringLiteral("Warning"), text, QMessageBox::Warning, QMessageBox::Ok,
            QMessageBox::Ok, QMessageBox::Ok, parent);
}

void TitledWarningBox(const QString &title, const QString &text, QWidget *parent)
{
    showBox(title, text, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok,
            QMessageBox::Ok, parent);
}

bool ConfirmBox(const QString &text, QWidget *parent)
{
    return showBox(QStringLiteral("Confirm"), text, QMessageBox::Question,
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No,
                   parent) == QMessageBox::Yes;
}

QMessageBox::StandardButton YesNoCancelBox(const QString &title, const QString &text,
                                           QWidget *parent)
{
    return showBox(title, text, QMessageBox::Question,
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
                   QMessageBox::Cancel, parent);
}

void InformationBox(const QString &text, QWidget *parent)
{
    showBox(QStringLiteral("Information"), text, QMessageBox::Information, QMessageBox::Ok,
            QMessageBox::Ok, QMessageBox::Ok, parent);
}

void PlainBox(const QString &text, QWidget *parent)
{
    showBox(QString::fromLatin1(AppTitle), text, QMessageBox::NoIcon, QMessageBox::Ok,
            QMessageBox::Ok, QMessageBox::Ok, parent);
}

void StopBox(const QString &text, QWidget *parent)
{
    showBox(QString::fromLatin1(AppTitle), text, QMessageBox::Critical, QMessageBox::Ok,
            QMessageBox::Ok, QMessageBox::Ok, parent);
}

int ShowModal(QDialog *dialog)
{
    if (g_dialogHandler)
        return g_dialogHandler(dialog);
    return dialog->exec();
}

QString ExeDir()
{
    return DataDir();
}

QString PositionFilePath()
{
    // The position store keeps the historical limit of 259 characters of path;
    // a longer path is still used as it is rather than cut into a wrong one.
    return ExeDir() + QStringLiteral("POSITION.INI");
}

void SetExeDir(const QString &dir)
{
    SetDataDir(dir);
}

void SetMessageResponder(MessageResponder responder)
{
    g_responder = std::move(responder);
}

void SetDialogHandler(DialogHandler handler)
{
    g_dialogHandler = std::move(handler);
}
