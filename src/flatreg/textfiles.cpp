#include "flatreg/textfiles.h"

#include "base/file.h"
#include "base/textcodec.h"

#include <QSaveFile>
#include <QStringList>

#include <cerrno>

namespace TextFiles {

TReadResult ReadText(const QString &path, QString &text)
{
    TFile file(path, TFile::GenericRead, TFile::AttributeNormal | TFile::FlagSequentialScan,
               TFile::OpenExisting, TFile::ShareRead | TFile::ShareWrite);
    if (file.Failed())
        return file.LastError() == ENOENT ? TReadResult::Missing : TReadResult::Failed;
    const qint64 size = file.Size();
    if (size < 0)
        return TReadResult::Failed;
    if (size > MaxFileSize)
        return TReadResult::TooLarge;
    QByteArray bytes(size, Qt::Uninitialized);
    if (size > 0 && (!file.Read(bytes.data(), quint32(size)) || file.Transferred() != size))
        return TReadResult::Failed;
    if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0)
        bytes.truncate(zero);
    text = TextCodec::DecodeFile(bytes);
    return TReadResult::Read;
}

TWriteResult WriteText(const QString &path, const QString &text, QString *reason)
{
    const auto fail = [reason](TWriteResult result, const QString &why) {
        if (reason)
            *reason = why;
        return result;
    };
    bool complete = true;
    const QByteArray bytes = TextCodec::EncodeFile(text, &complete);
    if (!complete)
        return fail(TWriteResult::Unencodable,
                    QStringLiteral("текст содержит символы, которых нет в кодировке "
                                   "Windows-1251"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(TWriteResult::OpenFailed, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(TWriteResult::WriteFailed, why);
    }
    if (!file.commit())
        return fail(TWriteResult::WriteFailed, file.errorString());
    return TWriteResult::Written;
}

} // namespace TextFiles
