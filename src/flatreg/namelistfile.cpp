#include "flatreg/namelistfile.h"

#include "base/textcodec.h"
#include "flatreg/textfiles.h"

QStringList TNameListFile::Load(const QStringList &builtIn)
{
    QString text;
    switch (TextFiles::ReadText(m_path, text)) {
    case TextFiles::TReadResult::Read:
        m_origin = TOrigin::Loaded;
        return TextCodec::SplitLines(text);
    case TextFiles::TReadResult::Missing:
        m_origin = TOrigin::Missing;
        break;
    case TextFiles::TReadResult::Failed:
    case TextFiles::TReadResult::TooLarge:
        m_origin = TOrigin::Unreadable;
        break;
    }
    return builtIn;
}

bool TNameListFile::Save(const QStringList &names, QString *error) const
{
    if (!NeedsWriting())
        return true;
    QString text;
    for (const QString &name : names)
        text += name + QLatin1String("\r\n");
    return TextFiles::WriteText(m_path, text, error) == TextFiles::TWriteResult::Written;
}
