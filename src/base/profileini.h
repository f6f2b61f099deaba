#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A settings file in the Windows profile format: "[Section]" headers and
// "key=value" lines. Sections and keys match without regard to case, values
// are trimmed and read with at most 2047 characters, unknown lines are kept.
// Every write rewrites the file at once, atomically; a new file is readable
// by its owner only. Text is Windows-1251 on disk; UTF-8 files are read too.
// A CR LF pair, a lone LF and a lone CR each end a line; a written value
// loses its CRs and LFs, so that it stays one entry.
class TProfileIni
{
public:
    explicit TProfileIni(const QString &path);
    const QString &Path() const { return m_path; }

    QString ReadString(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;
    // Decimal, or hexadecimal after "0x"/"0X"; anything else gives the default.
    int ReadInteger(const QString &section, const QString &key, int defaultValue) const;
    bool ReadBool(const QString &section, const QString &key, bool defaultValue) const;

    // Throws EError "Unable to write to <path>" when the file cannot be written.
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);
    // Removes the key from the section (nothing when it is not there); throws
    // as a write does.
    void DeleteKey(const QString &section, const QString &key);

    // Several reads and writes over one reading of the file: from BeginUpdate
    // to EndUpdate the file is read once, and the writes reach it together,
    // in one atomic replacement, at EndUpdate, which throws as a write does.
    // So the file on disk is always either the old or the new one whole.
    void BeginUpdate();
    void EndUpdate();

    // Parsing helpers, public for their own tests.
    static bool ParseInteger(const QString &text, int *value);
    static QStringList DecodeLines(const QByteArray &bytes);

private:
    QStringList readLines() const;
    void writeLines(const QStringList &lines);

    QString m_path;
    // Between BeginUpdate and EndUpdate: the lines, and whether a write
    // changed them.
    std::optional<QStringList> m_update;
    bool m_updateChanged = false;
};
