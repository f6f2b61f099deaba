#include "base/profileini.h"

#include "base/errors.h"
#include "base/textcodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace {

constexpr int MaxValueLength = 2047;

bool isSectionHeader(const QString &line, QString *name)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype end = t.indexOf(QLatin1Char(']'));
    if (end < 0)
        return false;
    if (name)
        *name = t.mid(1, end - 1).trimmed();
    return true;
}

// Splits "key=value"; false for lines without "=".
bool splitEntry(const QString &line, QString *key, QString *value)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    *value = line.mid(eq + 1).trimmed();
    return true;
}

// Replaces the key's entry in the section, or adds it at the section's end,
// or adds the section with it at the end of the lines.
void setEntry(QStringList &lines, const QString &section, const QString &key, const QString &value)
{
    // a line break in the value would end the entry there, and what follows
    // would read as lines of their own: another key, or a section
    const QString entry = key + QLatin1Char('=') + TextCodec::OneLine(value);
    int sectionStart = -1;
    int insertAt = -1;
    for (int i = 0; i < lines.size(); ++i) {
        QString name;
        if (isSectionHeader(lines[i], &name)) {
            if (sectionStart >= 0)
                break; // the next section: our section ends here
            if (name.compare(section, Qt::CaseInsensitive) == 0) {
                sectionStart = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        QString k, v;
        if (splitEntry(lines[i], &k, &v)) {
            if (k.compare(key, Qt::CaseInsensitive) == 0) {
                lines[i] = entry;
                return;
            }
        }
        if (!lines[i].trimmed().isEmpty())
            insertAt = i + 1; // after the section's last non-blank line
    }
    if (sectionStart < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else {
        lines.insert(insertAt, entry);
    }
}

// Removes every entry of the key in the section; true when there was one.
bool removeEntry(QStringList &lines, const QString &section, const QString &key)
{
    bool inSection = false;
    bool removed = false;
    for (int i = 0; i < lines.size();) {
        QString name, k, v;
        if (isSectionHeader(lines[i], &name))
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
        else if (inSection && splitEntry(lines[i], &k, &v) &&
                 k.compare(key, Qt::CaseInsensitive) == 0) {
            lines.removeAt(i);
            removed = true;
            continue;
        }
        ++i;
    }
    return removed;
}

} // namespace

TProfileIni::TProfileIni(const QString &path) : m_path(path) {}

QStringList TProfileIni::DecodeLines(const QByteArray &raw)
{
    QString text = TextCodec::DecodeFile(raw);
    text.replace(QChar(0), QChar(' '));
    return TextCodec::SplitLines(text);
}

QStringList TProfileIni::readLines() const
{
    if (m_update)
        return *m_update;
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return DecodeLines(f.readAll());
}

QString TProfileIni::ReadString(const QString &section, const QString &key,
                                const QString &defaultValue) const
{
    const QStringList lines = readLines();
    bool inSection = false;
    for (const QString &line : lines) {
        QString name;
        if (isSectionHeader(line, &name)) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        QString k, v;
        if (splitEntry(line, &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0)
            return v.left(MaxValueLength).trimmed();
    }
    return defaultValue.left(MaxValueLength);
}

bool TProfileIni::ParseInteger(const QString &text, int *value)
{
    const QString t = text.trimmed();
    bool ok = false;
    if (t.size() > 2 && (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X")))) {
        // a 32-bit pattern: 0xFFFFFFFF reads as -1
        const qulonglong v = t.mid(2).toULongLong(&ok, 16);
        if (!ok || v > 0xFFFFFFFFull)
            return false;
        *value = int(quint32(v));
        return true;
    }
    const int v = t.toInt(&ok, 10);
    if (ok)
        *value = v;
    return ok;
}

int TProfileIni::ReadInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString s = ReadString(section, key, QString());
    int v = 0;
    return ParseInteger(s, &v) ? v : defaultValue;
}

bool TProfileIni::ReadBool(const QString &section, const QString &key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TProfileIni::WriteString(const QString &section, const QString &key, const QString &value)
{
    if (m_update) {
        setEntry(*m_update, section, key, value);
        m_updateChanged = true;
        return;
    }
    QStringList lines = readLines();
    setEntry(lines, section, key, value);
    writeLines(lines);
}

void TProfileIni::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TProfileIni::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TProfileIni::DeleteKey(const QString &section, const QString &key)
{
    if (m_update) {
        m_updateChanged = removeEntry(*m_update, section, key) || m_updateChanged;
        return;
    }
    QStringList lines = readLines();
    if (removeEntry(lines, section, key))
        writeLines(lines);
}

void TProfileIni::BeginUpdate()
{
    m_update.reset();
    m_update = readLines();
    m_updateChanged = false;
}

void TProfileIni::EndUpdate()
{
    if (!m_update)
        return;
    const QStringList lines = std::move(*m_update);
    m_update.reset();
    if (m_updateChanged)
        writeLines(lines);
}

void TProfileIni::writeLines(const QStringList &lines)
{
    const QString text = lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
    bool complete = true;
    QByteArray bytes = TextCodec::EncodeFile(text, &complete);
    // a character the 8-bit code page lacks: keep it, in UTF-8
    if (!complete)
        bytes = "\xEF\xBB\xBF" + text.toUtf8();

    const QFileInfo info(m_path);
    const auto fail = [this] {
        throw EError(QStringLiteral("Unable to write to %1").arg(m_path));
    };
    if (info.exists() && !info.isWritable())
        fail();
    const bool existed = info.exists();
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        fail();
    if (!existed)
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    else
        f.setPermissions(info.permissions());
    if (f.write(bytes) != bytes.size() || !f.commit())
        fail();
}
