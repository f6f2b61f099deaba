#pragma once
// Message boxes, modal dialogs and a few process-wide values shared by every
// window. Every box and every modal dialog of the program goes through these
// functions, so that tests can answer them (see the interaction hooks below).

#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

// The application title: caption of the main window, error and plain boxes.
inline constexpr const char *AppTitle = "Kestrum";

// Warning: title "Warning", warning icon, one OK button.
void WarningBox(const QString &text, QWidget *parent = nullptr);
// Warning under a title of its own ("Предупреждение"): warning icon, one OK
// button.
void TitledWarningBox(const QString &title, const QString &text, QWidget *parent = nullptr);
// Confirmation: title "Confirm", Yes (default) and No, whose captions come
// from Qt's Russian translation ("&Да", "&Нет"); Esc answers No.
// True only for Yes.
bool ConfirmBox(const QString &text, QWidget *parent = nullptr);
// Question under a title of its own: question icon, Yes (default), No and
// Cancel ("&Да", "&Нет", "Отмена"); Esc answers Cancel. The button pressed.
QMessageBox::StandardButton YesNoCancelBox(const QString &title, const QString &text,
                                           QWidget *parent = nullptr);
// Information: title "Information", one OK button.
void InformationBox(const QString &text, QWidget *parent = nullptr);
// Plain box with the application title and one OK button.
void PlainBox(const QString &text, QWidget *parent = nullptr);
// Error box with the application title, the stop icon and one OK button.
void StopBox(const QString &text, QWidget *parent = nullptr);

// Shows a dialog modally and returns its result (QDialog::Accepted/Rejected).
int ShowModal(QDialog *dialog);

// A file dialog. The filter lists description and pattern pairs separated by
// "|" ("Файлы CSV|*.csv|Все файлы|*.*").
struct FileDialogInfo {
    QString filter;
    QString initialPath;
    QString title;         // empty: "Открыть" or "Сохранить"
    QString defaultSuffix; // added to a typed name without one
    bool save = false;     // a save dialog, which asks before overwriting
};
// Returns the full path of the chosen file, or an empty text when cancelled.
// An open dialog accepts only a file that exists.
QString FileDialog(const FileDialogInfo &info, QWidget *parent = nullptr);
QString OpenFileDialog(const QString &filter, const QString &initialPath,
                       QWidget *parent = nullptr);

// The text of the clipboard; none when it holds no text.
std::optional<QString> ClipboardText();
// Puts a text on the clipboard.
void SetClipboardText(const QString &text);

// The folder of the program's own files with a trailing '/' (DataDir of
// base/datadir.h: beside the executable where that folder is writable), and
// the position store file in it.
QString ExeDir();
QString PositionFilePath();
// Sets ExeDir (and so PositionFilePath); an empty dir restores the default.
void SetExeDir(const QString &dir);

// ---- Interaction hooks ---------------------------------------------------
// A responder sees every message box instead of the operator and returns the
// button pressed; a dialog handler sees every modal dialog and returns its
// result. Installing an empty function restores the real boxes and dialogs.
struct MessageInfo {
    QString title;
    QString text; // with "\r\n" already turned into line breaks
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
};
using MessageResponder = std::function<QMessageBox::StandardButton(const MessageInfo &)>;
using DialogHandler = std::function<int(QDialog *)>;
void SetMessageResponder(MessageResponder responder);
void SetDialogHandler(DialogHandler handler);
// A file dialog handler sees every file dialog and returns the chosen path
// (empty: cancelled); a clipboard handler answers for the clipboard.
using FileDialogHandler = std::function<QString(const FileDialogInfo &)>;
using ClipboardHandler = std::function<std::optional<QString>()>;
void SetFileDialogHandler(FileDialogHandler handler);
void SetClipboardHandler(ClipboardHandler handler);
