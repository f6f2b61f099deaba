#pragma once
// TMYIniFile: a line-oriented INI file on top of TFile. The whole file is read
// into Lines() on construction; reads and writes work on that list, and the
// list is written back over the file on destruction if a write changed it.
//
// Format: a header is a line whose first non-blank character is '['; a
// section is found by its name being a prefix of the header text (or the
// header text a prefix of the name), ASCII letters compared without case.
// An entry's key is the whole text before its first '=', blanks included; a
// written value loses its CRs and LFs, so that it stays one line.
// Text on disk is Windows-1251; UTF-8 files (with a BOM, or valid UTF-8 with
// multi-byte sequences) are read as well. Writing produces Windows-1251 with
// CR LF line ends; only where those bytes would be read back as UTF-8, UTF-8
// after a byte order mark.
//
// A file that cannot be opened (missing folder, no rights, held by another
// writer) or is larger than MaxFileSize behaves as an empty file and is never
// written.

#include "base/file.h"

#include <QStringList>

class TMYIniFile : public TFile
{
public:
    // Bytes read per line when loading; longer lines come back in pieces.
    static constexpr quint32 LineBufferSize = 550;
    // Limits of the remembered section name, a built header and a built entry.
    static constexpr int MaxSectionName = 99;
    static constexpr int MaxHeaderLength = 99;
    static constexpr int MaxEntryLength = 551;
    // No position store comes near this; a larger file is not read.
    static constexpr qint64 MaxFileSize = 64LL * 1024 * 1024;

    TMYIniFile(const QString &fileName, bool newFile, bool readOnly);
    ~TMYIniFile() override;

    // Index of the section's header line, or -1.
    int FindLine(const QString &section, int start = 0);
    // Index of the key's entry line in the section, or -1.
    int FindLine(const QString &section, const QString &key, int start = 0);

    int ReadInteger(const QString &section, const QString &key, int defaultValue);
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void Flush();

    const QStringList &Lines() const { return m_lines; }
    bool Modified() const { return m_modified; }
    QString CachedSection() const { return m_cachedSection; }
    int CachedIndex() const { return m_cachedIndex; }
    bool OpenFailed() const { return m_openFailed; }
    bool ReadOnly() const { return m_readOnly; }

private:
    void load();
    int findSection(const QString &section, int start);
    int findKey(int header, const QString &key) const;

    QStringList m_lines;
    bool m_modified = false;
    QString m_cachedSection;
    int m_cachedIndex = -1;
    bool m_openFailed = false;
    bool m_readOnly;
};
