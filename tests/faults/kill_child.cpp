// The child process of the killed-program tests (test_badfiles): it runs one
// of the program's writes with the program's own code and says on its
// standard output how far it got, so that the test can end it with SIGKILL
// at a known moment.
//
//   kill_child import <connection string> <dBase file>
//       the building import; prints "connected <backend pid>", "copying"
//       once half the records are counted, "updating" before upd_buildings()
//       and "done" when the import has committed
//   kill_child settings <Kestrum.ini> <stop> | positions <POSITION.INI> <stop>
//       prints "writing" and writes the file's second variant once; at the
//       stop it prints "stopped" and waits to be killed, or "done" when the
//       write never reached it. The stops: "start" before the first byte of
//       the file, "middle" with half of it written, "replace" when the new
//       file is to take the old one's place (rename) and "after" once it has.

#include "faults/killwriters.h"

#include "data/dmfrm.h"
#include "data/importprogress.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

class TSayingProgress : public IImportProgress
{
public:
    void Start(const TImportState &) override {}
    bool Update(const TImportState &s) override
    {
        if (!m_copying && s.operation == 0 && s.currentRecord >= s.totalRecords / 2 &&
            s.currentRecord > 0) {
            m_copying = true;
            say("copying");
        }
        if (!m_updating && s.operation == 1 && s.operationsDone == 1) {
            m_updating = true;
            say("updating");
        }
        return false;
    }
    void SetBusy(bool) override {}
    void Inform(const QString &) override {}
    void Finish() override {}

private:
    bool m_copying = false;
    bool m_updating = false;
};

// Where the write of an INI file stops for the kill; the C library's write
// and rename below stand in front of the real ones for the program's code
// and Qt's alike.
enum class Stop { None, Start, Middle, Replace, After };
Stop g_stop = Stop::None;

[[noreturn]] void stopped()
{
    say("stopped");
    for (;;)
        ::pause();
}

template <typename F>
F next(const char *name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

int runIniWrite(const QString &mode, const QString &path, const QString &stop)
{
    const QStringList stops{QStringLiteral("start"), QStringLiteral("middle"),
                            QStringLiteral("replace"), QStringLiteral("after")};
    if (!stops.contains(stop))
        return 1;
    const auto write = mode == QLatin1String("settings") ? KillWriters::WriteSettings
                                                         : KillWriters::WritePositions;
    say("writing");
    g_stop = Stop(stops.indexOf(stop) + 1);
    write(path, 1);
    g_stop = Stop::None;
    say("done");
    return 0;
}

int runImport(const QString &connection, const QString &path)
{
    TDM dm;
    DM = &dm;
    dm.dbConn->Open(connection);
    TStatement st(*dm.dbConn);
    st.ExecDirect(QStringLiteral("SELECT pg_backend_pid()"));
    const QByteArray line = "connected " + st.FetchScalar().toString().toLatin1();
    st.CloseCursor();
    say(line.constData());
    TSayingProgress progress;
    dm.ImportBuildings(path, progress);
    say("done");
    DM = nullptr;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 3 && args[0] == QLatin1String("import"))
            return runImport(args[1], args[2]);
        if (args.size() == 3 &&
            (args[0] == QLatin1String("settings") || args[0] == QLatin1String("positions")))
            return runIniWrite(args[0], args[1], args[2]);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "kill_child: %s\n", e.what());
        return 2;
    }
    std::fprintf(stderr,
                 "usage: kill_child import <connection> <file> | settings <ini> <stop>"
                 " | positions <ini> <stop>\n");
    return 1;
}

extern "C" ssize_t write(int fd, const void *data, size_t size)
{
    static const auto real = next<ssize_t (*)(int, const void *, size_t)>("write");
    struct stat st {
    };
    if ((g_stop == Stop::Start || g_stop == Stop::Middle) && ::fstat(fd, &st) == 0 &&
        S_ISREG(st.st_mode)) {
        if (g_stop == Stop::Middle && real(fd, data, size / 2) <= 0)
            std::fprintf(stderr, "kill_child: %s\n", std::strerror(errno));
        stopped();
    }
    return real(fd, data, size);
}

extern "C" int rename(const char *from, const char *to)
{
    static const auto real = next<int (*)(const char *, const char *)>("rename");
    if (g_stop == Stop::Replace)
        stopped();
    const int result = real(from, to);
    if (g_stop == Stop::After)
        stopped();
    return result;
}
