#include "base/textcodec.h"

#include <QRegularExpression>
#include <QStringEncoder>

#include <algorithm>

namespace {

// Code pages whose characters may take more than one byte.
bool isMultiByte(int codePage)
{
    return codePage == TTextCodec::Utf8 || codePage == 932 || codePage == 936 || codePage == 949 ||
        codePage == 950;
}

// The names under which the codec library knows a code page.
QStringList decoderNames(int codePage)
{
    switch (codePage) {
    case TTextCodec::Utf8:
        return {QStringLiteral("UTF-8")};
    case 20866:
        return {QStringLiteral("KOI8-R")};
    case 21866:
        return {QStringLiteral("KOI8-U")};
    case 10007:
        return {QStringLiteral("x-mac-cyrillic"), QStringLiteral("macos-7_3-10.2")};
    case 932:
        return {QStringLiteral("Shift_JIS")};
    case 936:
        return {QStringLiteral("GBK")};
    case 949:
        return {QStringLiteral("windows-949"), QStringLiteral("EUC-KR")};
    case 950:
        return {QStringLiteral("Big5")};
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28605)
        return {QStringLiteral("ISO-8859-%1").arg(codePage - 28590)};
    if (codePage >= 1250 && codePage <= 1258)
        return {QStringLiteral("windows-%1").arg(codePage)};
    if (codePage >= 437 && codePage <= 1125)
        return {QStringLiteral("IBM%1").arg(codePage), QStringLiteral("cp%1").arg(codePage)};
    return {};
}

QStringDecoder openDecoder(int codePage)
{
    for (const QString &name : decoderNames(codePage)) {
        QStringDecoder d(name.toLatin1().constData(), QStringDecoder::Flag::Stateless);
        if (d.isValid())
            return d;
    }
    return QStringDecoder();
}

} // namespace

TTextCodec::TTextCodec(int codePage) : m_codePage(codePage)
{
    if (codePage <= 0)
        return;
    m_decoder = openDecoder(codePage);
    m_valid = m_decoder.isValid();
    if (!m_valid || isMultiByte(codePage))
        return;
    m_singleByte = true;
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        const QString c = m_decoder.decode(QByteArrayView(&byte, 1));
        m_table[size_t(b)] = c.size() == 1 ? c.at(0).unicode() : char16_t(0xFFFD);
    }
}

QString TTextCodec::Decode(const char *data, qsizetype size) const
{
    if (size <= 0 || !m_valid)
        return QString();
    if (m_codePage == Utf8)
        return QString::fromUtf8(data, size);
    if (!m_singleByte)
        return m_decoder.decode(QByteArrayView(data, size));
    QString s(size, Qt::Uninitialized);
    QChar *out = s.data();
    for (qsizetype i = 0; i < size; ++i)
        out[i] = QChar(m_table[static_cast<unsigned char>(data[i])]);
    return s;
}

int TTextCodec::CodePageFromName(const QString &name)
{
    const QString n = name.trimmed().toUpper();
    if (n.isEmpty())
        return 0;
    if (n == QLatin1String("UTF-8") || n == QLatin1String("UTF8"))
        return Utf8;
    if (n == QLatin1String("KOI8-R") || n == QLatin1String("KOI8R"))
        return 20866;
    if (n == QLatin1String("KOI8-U") || n == QLatin1String("KOI8U"))
        return 21866;
    static const QRegularExpression iso(QStringLiteral("^(?:ISO[-_ ]?)?8859[-_ ]?(\\d{1,2})$"));
    if (const auto m = iso.match(n); m.hasMatch())
        return 28590 + m.captured(1).toInt();
    // "866", "CP866", "OEM 866", "ANSI 1251", "WINDOWS-1251", "IBM866", "MS-DOS 866"
    static const QRegularExpression numbered(
        QStringLiteral("^(?:CP|IBM|OEM|ANSI|WINDOWS|WIN|MS-DOS|DOS|X-CP)?[-_ ]?(\\d{3,5})$"));
    if (const auto m = numbered.match(n); m.hasMatch())
        return m.captured(1).toInt();
    return 0;
}

namespace TextCodec {

namespace {

const char Bom[] = "\xEF\xBB\xBF";

} // namespace

bool IsUtf8(const QByteArray &bytes)
{
    if (bytes.startsWith(Bom))
        return true;
    if (std::none_of(bytes.cbegin(), bytes.cend(), [](char c) { return (c & 0x80) != 0; }))
        return false;
    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = strict(bytes);
    return !strict.hasError();
}

QStringDecoder FileDecoder(const QByteArray &sample)
{
    if (IsUtf8(sample))
        return QStringDecoder(QStringDecoder::Utf8);
    QStringDecoder d("windows-1251");
    return d.isValid() ? std::move(d) : QStringDecoder(QStringDecoder::Latin1);
}

QString DecodeFile(const QByteArray &bytes)
{
    QStringDecoder d = FileDecoder(bytes);
    return d(bytes);
}

QByteArray EncodeWin1251(const QString &text, bool *complete)
{
    QStringEncoder enc("windows-1251");
    if (!enc.isValid()) {
        if (complete)
            *complete = false;
        return text.toLatin1();
    }
    QByteArray bytes = enc(text);
    if (complete)
        *complete = !enc.hasError();
    return bytes;
}

QByteArray EncodeFile(const QString &text, bool *complete)
{
    const QByteArray bytes = EncodeWin1251(text, complete);
    return IsUtf8(bytes) ? Bom + text.toUtf8() : bytes;
}

QStringList SplitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < length && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < length)
        lines << text.mid(start);
    return lines;
}

QString OneLine(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

} // namespace TextCodec
