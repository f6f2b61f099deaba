#include "base/myinifile.h"

#include "base/textcodec.h"

#include <QSaveFile>

#include <algorithm>
#include <climits>

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
        c == QLatin1Char('\n');
}

bool isControl(QChar c)
{
    return c.unicode() < 32 || c.unicode() == 127;
}

char16_t foldAscii(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') ? char16_t(u - u'a' + u'A') : u;
}

// Leading blanks, tabs, CRs and LFs go; trailing control characters go, but
// never the first character that is left.
QString cleanLine(const QString &s)
{
    qsizetype first = 0;
    const qsizetype n = s.size();
    while (first < n && isBlank(s.at(first)))
        ++first;
    qsizetype end = n;
    while (end > first + 1 && isControl(s.at(end - 1)))
        --end;
    return s.mid(first, end - first);
}

// Position of the section name in a header line, -1 for any other line.
qsizetype headerNameStart(const QString &line)
{
    qsizetype i = 0;
    while (i < line.size() && isBlank(line.at(i)))
        ++i;
    return (i < line.size() && line.at(i) == QLatin1Char('[')) ? i + 1 : -1;
}

// The name matches when at least one character was compared and none of the
// characters compared, up to the end of the shorter text, differed.
bool headerMatches(const QString &line, qsizetype nameStart, const QString &name)
{
    qsizetype k = 0;
    while (k < name.size() && nameStart + k < line.size()) {
        if (foldAscii(name.at(k)) != foldAscii(line.at(nameStart + k)))
            return false;
        ++k;
    }
    return k > 0;
}

bool sameAsciiCaseless(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (foldAscii(a.at(i)) != foldAscii(b.at(i)))
            return false;
    }
    return true;
}

// An optional sign and the digits that follow; 0 without digits. Values
// beyond the integer range are held at its ends.
int leadingInteger(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    const qint64 limit = qint64(INT_MAX) + 1;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        value = std::min(value * 10 + (c - u'0'), limit);
    }
    if (negative)
        return int(-value);
    return int(std::min<qint64>(value, INT_MAX));
}

// Windows-1251 bytes of a line. Characters the code page lacks become '?':
// the converter marks some with its own substitute, SUB (which would read
// back as a control character and be cut off at the end of a line), and drops
// others altogether (U+FEFF, U+200B, ...), so such a line goes character by
// character.
QByteArray encodeLine(const QString &line)
{
    bool complete = true;
    QByteArray bytes = TextCodec::EncodeWin1251(line, &complete);
    if (complete)
        return bytes;
    bytes.clear();
    for (qsizetype i = 0; i < line.size(); ++i) {
        const qsizetype n =
            line.at(i).isHighSurrogate() && i + 1 < line.size() && line.at(i + 1).isLowSurrogate()
            ? 2
            : 1;
        const QByteArray c = TextCodec::EncodeWin1251(line.mid(i, n), &complete);
        bytes += complete ? c : QByteArray("?");
        i += n - 1;
    }
    return bytes;
}

} // namespace

TMYIniFile::TMYIniFile(const QString &fileName, bool newFile, bool readOnly)
    : TFile(fileName, readOnly ? GenericRead : GenericRead | GenericWrite, AttributeNormal,
            // A read-only object never empties the file, even when asked for
            // a new one: it then only skips loading.
            (newFile && !readOnly) ? CreateAlways : OpenAlways, ShareRead),
      m_readOnly(readOnly)
{
    if (!IsOpen()) {
        m_openFailed = true;
        return;
    }
    if (!newFile)
        load();
}

TMYIniFile::~TMYIniFile()
{
    if (m_modified && !m_readOnly)
        Flush();
    m_lines.clear();
}

void TMYIniFile::load()
{
    // The whole file in one read, cut into the lines that ReadLine with a
    // buffer of LineBufferSize bytes gives: reading it line by line costs
    // three system calls and a buffer per line, which for a file of empty
    // lines came to seconds and gigabytes.
    const qint64 size = Size();
    if (size <= 0)
        return;
    if (size > MaxFileSize) {
        Close();
        m_openFailed = true;
        return;
    }
    QByteArray bytes(size, Qt::Uninitialized);
    Read(bytes.data(), quint32(size));
    bytes.truncate(Transferred());

    // One decoder for the whole file: a UTF-8 character cut between two
    // pieces of a long line is carried over into the next piece.
    QStringDecoder decoder = TextCodec::FileDecoder(bytes);
    const char *data = bytes.constData();
    for (qsizetype at = 0; at < bytes.size();) {
        const quint32 available =
            quint32(std::min<qsizetype>(bytes.size() - at, LineBufferSize - 1));
        const quint32 length = LineLength(data + at, available);
        const QByteArrayView piece(data + at, length);
        // an empty line keeps no text of its own: a file of empty lines
        // would otherwise hold a block of memory for each
        const QString line = cleanLine(decoder(piece));
        m_lines.append(line.isEmpty() ? QString() : line);
        at += length;
        // A line that filled the buffer may have had its line end cut off:
        // the rest of it still belongs to this line, as it would in a larger
        // buffer. Else every load and save of a line of 548 or 549 characters
        // would add an empty line after it.
        if (length < LineBufferSize - 1)
            continue;
        for (qsizetype ends = piece.count('\r') + piece.count('\n');
             ends < 2 && at < bytes.size() && (data[at] == '\r' || data[at] == '\n'); ++ends)
            ++at;
    }
}

int TMYIniFile::findSection(const QString &section, int start)
{
    if (section.isEmpty())
        return -1;
    start = std::max(start, 0);
    if (start == 0 && m_cachedIndex >= 0 && sameAsciiCaseless(m_cachedSection, section))
        return m_cachedIndex;
    for (int i = start; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i);
        const qsizetype nameStart = headerNameStart(line);
        if (nameStart < 0 || !headerMatches(line, nameStart, section))
            continue;
        // Only a search from the top is remembered, so that the remembered
        // header is always the one a full scan would find.
        if (start == 0) {
            m_cachedIndex = i;
            m_cachedSection = section.left(MaxSectionName);
        }
        return i;
    }
    return -1;
}

int TMYIniFile::findKey(int header, const QString &key) const
{
    for (int i = header + 1; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i);
        if (headerNameStart(line) >= 0)
            return -1;
        const qsizetype sign = line.indexOf(QLatin1Char('='));
        const QStringView lineKey = sign < 0 ? QStringView() : QStringView(line).left(sign);
        if (lineKey.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int TMYIniFile::FindLine(const QString &section, int start)
{
    return findSection(section, start);
}

int TMYIniFile::FindLine(const QString &section, const QString &key, int start)
{
    const int header = findSection(section, start);
    return header < 0 ? -1 : findKey(header, key);
}

int TMYIniFile::ReadInteger(const QString &section, const QString &key, int defaultValue)
{
    const int index = FindLine(section, key);
    if (index < 0)
        return defaultValue;
    // The value is taken from the first 99 characters of the line only.
    const QStringView line = QStringView(m_lines.at(index)).left(99);
    const qsizetype sign = line.indexOf(QLatin1Char('='));
    if (sign < 0)
        return defaultValue;
    QStringView value = line.mid(sign + 1);
    while (!value.isEmpty() && isBlank(value.front()))
        value = value.mid(1);
    if (value.isEmpty())
        return defaultValue;
    return leadingInteger(value);
}

void TMYIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    // No header could ever be found again under an empty name.
    if (section.isEmpty())
        return;
    const QString header = (QLatin1Char('[') + section + QLatin1Char(']')).left(MaxHeaderLength);
    // a line break in the value would split the entry into lines of their own
    const QString entry =
        (key + QLatin1Char('=') + TextCodec::OneLine(value)).left(MaxEntryLength);

    const int headerIndex = findSection(section, 0);
    if (headerIndex < 0) {
        m_lines << QString() << header << entry;
    } else if (const int keyIndex = findKey(headerIndex, key); keyIndex >= 0) {
        m_lines[keyIndex] = entry;
    } else {
        int next = headerIndex + 1;
        while (next < m_lines.size() && headerNameStart(m_lines.at(next)) < 0)
            ++next;
        m_lines.insert(next, entry);
    }
    m_modified = true;
}

void TMYIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TMYIniFile::Flush()
{
    if (m_readOnly || !IsOpen())
        return;
    // The new text goes to a file of its own that then replaces the old one,
    // so that a full disk or a crash leaves the old file whole. Where no such
    // file can be made beside it (a folder without write access), the file is
    // written in place. Failures stay silent either way.
    QByteArrayList lines;
    for (const QString &line : std::as_const(m_lines))
        lines << encodeLine(line);
    // Windows-1251 that would be read back as UTF-8, and so as other lines
    if (TextCodec::IsUtf8(lines.join())) {
        lines.clear();
        for (const QString &line : std::as_const(m_lines))
            lines << line.toUtf8();
        lines.first().prepend("\xEF\xBB\xBF");
    }
    QByteArray text;
    for (const QByteArray &line : std::as_const(lines))
        text += line + "\r\n";
    // QSaveFile makes its file under a name of its own, exclusively, beside
    // the file a link names, and gives it that file's rights; the link stays.
    QSaveFile file(FileName());
    if (!file.open(QIODevice::WriteOnly)) {
        // no file can be made beside it: in place, as before
        Seek(0);
        Truncate();
        for (const QByteArray &line : std::as_const(lines))
            WriteLine(line);
        return;
    }
    if (file.write(text) != text.size() || !file.flush())
        file.cancelWriting();
    file.commit(); // synced, then renamed over the old file; removed on failure
}
