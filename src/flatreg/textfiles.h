#pragma once
// Reading and writing the flat register's own text files (tables and meter
// name lists). They are written in Windows-1251, the code page of the Windows
// tool whose files they share; Windows-1251 and UTF-8 files are read. A text
// whose Windows-1251 bytes would read back as UTF-8 is written in UTF-8.

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace TextFiles {

// A file larger than this is not a table or a list: it is not read.
inline constexpr qint64 MaxFileSize = 50LL * 1000 * 1000;

enum class TReadResult {
    Read,     // the whole file is in text
    Missing,  // there is no such file
    Failed,   // it could not be opened or read
    TooLarge, // it is larger than MaxFileSize and was not read
};

// Reads the whole file. The text ends at the first zero byte, if any.
TReadResult ReadText(const QString &path, QString &text);

enum class TWriteResult {
    Written,
    Unencodable, // the text holds characters that Windows-1251 lacks
    OpenFailed,  // the new file could not be created
    WriteFailed, // writing it or putting it in place failed
};

// Writes text in Windows-1251 into a new file beside path that then replaces
// path, so that a failure at any point leaves the old file as it was. The
// system's reason for a failure goes to reason.
TWriteResult WriteText(const QString &path, const QString &text, QString *reason = nullptr);

} // namespace TextFiles
