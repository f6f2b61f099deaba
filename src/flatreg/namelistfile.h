#pragma once
// A meter name list file: one name per line, written in Windows-1251 with
// CR LF line ends. It remembers how the list came about, so that a file that
// could not be read is never overwritten with the built-in names.

#include <QString>
#include <QStringList>

class TNameListFile
{
public:
    enum class TOrigin {
        Loaded,     // read from the file
        Missing,    // there was no file: the built-in names
        Unreadable, // the file could not be read: the built-in names
    };

    explicit TNameListFile(const QString &path) : m_path(path) {}

    // The names of the file, or builtIn when it is missing or unreadable.
    QStringList Load(const QStringList &builtIn);
    // The operator changed the list.
    void SetChanged() { m_changed = true; }
    bool Changed() const { return m_changed; }
    TOrigin Origin() const { return m_origin; }
    const QString &Path() const { return m_path; }
    // A list read from its file, one whose file was missing, and one that the
    // operator changed go back to the file.
    bool NeedsWriting() const { return m_origin != TOrigin::Unreadable || m_changed; }
    // Writes the names when NeedsWriting; false with the reason when that failed.
    bool Save(const QStringList &names, QString *error = nullptr) const;

private:
    QString m_path;
    TOrigin m_origin = TOrigin::Missing;
    bool m_changed = false;
};
