#pragma once
// What the fuzz targets share: a check that stops the run when a promise of
// the code under test is broken, and scratch files for the code that reads
// from a path.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition) ((condition) ? void(0) : Fuzz::Fail(#condition, __FILE__, __LINE__))

namespace Fuzz {

[[noreturn]] inline void Fail(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, what);
    std::abort();
}

// A file in a folder of this process's own, removed when the run ends: in
// TMPDIR if it is set, else on /dev/shm where there is one (the classes under
// test sync what they write).
inline QString ScratchPath(const QString &name)
{
    static const QString base =
        qEnvironmentVariableIsEmpty("TMPDIR") && QDir(QStringLiteral("/dev/shm")).exists()
        ? QStringLiteral("/dev/shm")
        : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/kestrum-fuzz-XXXXXX"));
    if (!dir.isValid())
        Fail("a scratch folder can be made", __FILE__, __LINE__);
    return dir.filePath(name);
}

inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

inline void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        Fail("the scratch file can be written", __FILE__, __LINE__);
}

inline QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        Fail("the scratch file can be read", __FILE__, __LINE__);
    return f.readAll();
}

} // namespace Fuzz
