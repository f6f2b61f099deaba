#include "base/utils.h"

#include "base/datadir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>

namespace {

MessageResponder g_responder;
DialogHandler g_dialogHandler;
FileDialogHandler g_fileDialogHandler;
ClipboardHandler g_clipboardHandler;

QString displayText(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

QMessageBox::StandardButton showBox(const QString &title, const QString &text,
                                    QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton,
                                    QMessageBox::StandardButton escapeButton, QWidget *parent)
{
    MessageInfo info{title, displayText(text), icon, buttons, defaultButton, escapeButton};
    if (g_responder)
        return g_responder(info);

    QMessageBox box(icon, title, info.text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    if (escapeButton != QMessageBox::NoButton)
        box.setEscapeButton(escapeButton);
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
    showBox(title, text, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok,
            parent);
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

QString FileDialog(const FileDialogInfo &info, QWidget *parent)
{
    if (g_fileDialogHandler)
        return g_fileDialogHandler(info);
    // "description|pattern|..." as Qt's "description (pattern);;..."
    const QStringList parts = info.filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString wrapped = QLatin1Char('(') + parts[i + 1] + QLatin1Char(')');
        filters << (parts[i].contains(wrapped) ? parts[i] : parts[i] + QLatin1Char(' ') + wrapped);
    }
    // Qt's own dialog matches the patterns regardless of case ("*.DBF" shows
    // "addr.dbf"); native Linux dialogs would not.
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(!info.title.isEmpty() ? info.title
                              : info.save       ? QStringLiteral("Сохранить")
                                                : QStringLiteral("Открыть"));
    dialog.setAcceptMode(info.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(info.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(info.defaultSuffix);
    if (!info.initialPath.isEmpty())
        dialog.setDirectory(QFileInfo(info.initialPath).absolutePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString OpenFileDialog(const QString &filter, const QString &initialPath, QWidget *parent)
{
    return FileDialog({filter, initialPath, QString(), QString(), false}, parent);
}

std::optional<QString> ClipboardText()
{
    if (g_clipboardHandler)
        return g_clipboardHandler();
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

void SetClipboardText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
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

void SetFileDialogHandler(FileDialogHandler handler)
{
    g_fileDialogHandler = std::move(handler);
}

void SetClipboardHandler(ClipboardHandler handler)
{
    g_clipboardHandler = std::move(handler);
}
