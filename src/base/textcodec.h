#pragma once
// The program's one place for 8-bit texts. Its own files are Windows-1251 on
// disk, and UTF-8 files (with a byte order mark, or valid UTF-8 with
// multi-byte sequences) are read as well; dBase files carry a code page of
// their own, decoded from bytes of a code page given by its number (866 DOS Cyrillic, 1251 Windows Cyrillic, 1252, 65001 UTF-8,
// ...) into QString. Single-byte code pages decode through a table of 256
// characters built once, so long runs of short texts (table files) stay cheap.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringDecoder>

#include <array>

class TTextCodec
{
public:
    // Code page 0 or an unknown one gives an invalid codec.
    explicit TTextCodec(int codePage = 0);

    bool IsValid() const { return m_valid; }
    int CodePage() const { return m_codePage; }
    QString Decode(const char *data, qsizetype size) const;

    // A code page from its name as files declare it: "866", "CP1251",
    // "ANSI 1251", "OEM 866", "windows-1251", "IBM866", "UTF-8", "KOI8-R",
    // "ISO-8859-5", ... 0 when the name is not understood.
    static int CodePageFromName(const QString &name);

    static constexpr int Utf8 = 65001;

private:
    int m_codePage = 0;
    bool m_valid = false;
    bool m_singleByte = false;
    std::array<char16_t, 256> m_table{};
    mutable QStringDecoder m_decoder;
};

namespace TextCodec {

// A byte order mark, or valid UTF-8 that has at least one multi-byte
// sequence (plain ASCII is read the same either way).
bool IsUtf8(const QByteArray &bytes);
// A decoder for a file whose text begins (or is) sample: UTF-8 or
// Windows-1251. A UTF-8 byte order mark is skipped.
QStringDecoder FileDecoder(const QByteArray &sample);
// The whole text of a file.
QString DecodeFile(const QByteArray &bytes);
// Windows-1251 bytes. A character the code page lacks becomes the
// converter's substitute; complete tells whether there was none.
QByteArray EncodeWin1251(const QString &text, bool *complete = nullptr);
// The bytes of a file holding text: Windows-1251, as EncodeWin1251. Where
// those bytes would be read back as UTF-8 (IsUtf8), and so as another text,
// the text in UTF-8 after a byte order mark instead.
QByteArray EncodeFile(const QString &text, bool *complete = nullptr);
// Splits a text into lines: a CR LF pair, a lone CR and a lone LF each end a
// line. Text after the last line end is a last line of its own.
QStringList SplitLines(const QString &text);
// The text without the characters that SplitLines ends a line at: a value
// written into a line of a file stays on that line.
QString OneLine(QString text);
} // namespace TextCodec
