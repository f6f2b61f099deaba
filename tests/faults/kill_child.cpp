// The child process of the killed-program tests (test_badfiles): it runs one
// of the program's writes with the program's own code and says on its
// standard output how far it got, so that the test can end it with SIGKILL
// at a known moment.
//
//   kill_child import <connection string> <dBase file>
//       the building import; prints "connected <backend pid>", "copying"
//       once half the records are sent, "updating" before upd_buildings()
//       and "done" when the import has committed
//   kill_child settings <Kestrum.ini> | positions <POSITION.INI>
//       writes the file over and over in its two variants, the second first;
//       prints "writing" before the first write

#include "faults/killwriters.h"

#include "data/dmfrm.h"
#include "data/importprogress.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>

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
        if (!m_copying && s.operation == 0 && s.currentRecord >= s.totalRecords / 2
            && s.currentRecord > 0) {
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
        if (args.size() == 2
            && (args[0] == QLatin1String("settings") || args[0] == QLatin1String("positions"))) {
            const auto write = args[0] == QLatin1String("settings") ? KillWriters::WriteSettings
                                                                     : KillWriters::WritePositions;
            say("writing");
            for (int variant = 1;; variant ^= 1)
                write(args[1], variant);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "kill_child: %s\n", e.what());
        return 2;
    }
    std::fprintf(stderr, "usage: kill_child import <connection> <file> | settings <ini> | "
                         "positions <ini>\n");
    return 1;
}
