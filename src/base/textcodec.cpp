#include "base/textcodec.h"

#include <QStringEncoder>

#include <algorithm>

namespace TextCodec {

namespace {

const char Bom[] = "\xEF\xBB\xBF";

QStringDecoder decoderFor(int codePage)
{
    switch (codePage) {
    case 866: return QStringDecoder("IBM866");
    case 65001: return QStringDecoder(QStringDecoder::Utf8);
    default: return QStringDecoder(QStringLiteral("windows-%1").arg(codePage).toLatin1());
    }
}

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

QString DecodeCodePage(const QByteArray &bytes, int codePage)
{
    QStringDecoder d = decoderFor(codePage);
    if (!d.isValid())
        return QString::fromLatin1(bytes);
    return d(bytes);
}

} // namespace TextCodec
