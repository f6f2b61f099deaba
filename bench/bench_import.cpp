// Times the building address import of a generated dBase file of building
// addresses (code page 866, the fields of the demo's file), and, on the same
// file in the same run, pgdbf piped into psql when pgdbf is installed.
//     bench_import <server> <database> <user> <password> [records] [rounds]
// The database needs the metering schema; the streets of db/demo.sql give
// upd_buildings() real work: every round adds the file's buildings, which are
// deleted again after the round. Run it on a database made for the benchmark.
#include "data/dmfrm.h"
#include "data/importprogress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <shapefil.h>

#include <algorithm>
#include <cstdio>

namespace {

bool writeFile(const QString &path, int records)
{
    DBFHandle h = DBFCreateEx(QFile::encodeName(path).constData(), nullptr);
    if (!h)
        return false;
    bool ok = DBFAddField(h, "KOD_UL", FTString, 10, 0) >= 0
           && DBFAddField(h, "DOM", FTString, 10, 0) >= 0
           && DBFAddField(h, "KORP", FTString, 5, 0) >= 0
           && DBFAddField(h, "STROEN", FTString, 5, 0) >= 0
           && DBFAddField(h, "GIL", FTString, 3, 0) >= 0
           && DBFAddField(h, "KOD_TE", FTString, 4, 0) >= 0;
    QStringEncoder cp866("IBM866");
    const QByteArray gil[2] = {cp866.encode(QStringLiteral("ЖИЛ")),
                               cp866.encode(QStringLiteral("Н/Ж"))};
    for (int r = 0; ok && r < records; ++r) {
        const QByteArray values[6] = {QByteArray::number(10001 + r % 40),
                                      QByteArray::number(1000 + r / 40), r % 7 ? "" : "2",
                                      "", gil[r % 5 == 0], "0101"};
        for (int f = 0; ok && f < 6; ++f)
            ok = values[f].isEmpty() ? DBFWriteNULLAttribute(h, r, f)
                                     : DBFWriteStringAttribute(h, r, f, values[f].constData());
    }
    DBFClose(h);
    return ok;
}

// Notes when the copying ends and the server's part begins and ends.
class TTimedProgress : public IImportProgress
{
public:
    QElapsedTimer clock;
    qint64 copyEnd = 0, serverStart = 0, serverEnd = 0;
    void Start(const TImportState &) override { clock.start(); }
    bool Update(const TImportState &s) override
    {
        if (s.operation == 1 && !copyEnd)
            copyEnd = clock.nsecsElapsed();
        return false;
    }
    void SetBusy(bool busy) override { (busy ? serverStart : serverEnd) = clock.nsecsElapsed(); }
    void Inform(const QString &) override {}
    void Finish() override {}
};

double perSecond(int records, qint64 ns)
{
    return ns > 0 ? records / (ns / 1e9) : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s server database user password [records] [rounds]\n",
                     argv[0]);
        return 2;
    }
    const int records = argc > 5 ? std::atoi(argv[5]) : 100000;
    const int rounds = argc > 6 ? std::max(1, std::atoi(argv[6])) : 3;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("buildings.dbf"));
    if (!writeFile(path, records)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("file: %d records, %lld bytes\n", records, QFileInfo(path).size());
    std::fflush(stdout);

    TDM dm;
    DM = &dm;
    try {
        dm.dbConn->Open(BuildConnectionString(QString::fromLocal8Bit(argv[1]),
                                              QString::fromLocal8Bit(argv[2]),
                                              QString::fromLocal8Bit(argv[3]),
                                              QString::fromLocal8Bit(argv[4])));
        const QVariant known = [&] {
            TStatement st(*dm.dbConn);
            st.ExecDirect(QStringLiteral("SELECT coalesce(max(buildingid), 0) FROM buildings"));
            return st.FetchScalar();
        }();
        qint64 bestCopy = 0;
        for (int r = 1; r <= rounds; ++r) {
            TTimedProgress progress;
            QElapsedTimer total;
            total.start();
            dm.ImportBuildings(path, progress);
            const qint64 all = total.nsecsElapsed();
            std::printf("round %d: reading and copying %.2f s, %.0f records/s;"
                        " upd_buildings() %.2f s; whole import %.2f s, %.0f records/s\n",
                        r, progress.copyEnd / 1e9, perSecond(records, progress.copyEnd),
                        (progress.serverEnd - progress.serverStart) / 1e9, all / 1e9,
                        perSecond(records, all));
            std::fflush(stdout);
            bestCopy = bestCopy ? qMin(bestCopy, progress.copyEnd) : progress.copyEnd;
            dm.dbConn->Execute(QStringLiteral("DELETE FROM buildings WHERE buildingid > ?"),
                               {{FieldType::Integer, known}});
        }
        std::printf("Kestrum import, reading and copying, best of %d: %.0f records/s\n", rounds,
                    perSecond(records, bestCopy));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "import failed: %s\n", e.what());
        return 1;
    }

    const QString pgdbf = QStandardPaths::findExecutable(QStringLiteral("pgdbf"));
    if (pgdbf.isEmpty()) {
        std::printf("pgdbf | psql: pgdbf not installed\n");
        return 0;
    }
    // pgdbf writes a table of the file's name and fills it with COPY
    QProcess dump, psql;
    dump.setStandardOutputProcess(&psql);
    qputenv("PGHOST", argv[1]);
    qputenv("PGUSER", argv[3]);
    qputenv("PGPASSWORD", argv[4]);
    qputenv("PGCLIENTENCODING", "UTF8");
    QElapsedTimer t;
    t.start();
    dump.start(pgdbf, {QStringLiteral("-s"), QStringLiteral("cp866"), path});
    psql.start(QStringLiteral("psql"), {QStringLiteral("-q"), QStringLiteral("-v"),
                                        QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"),
                                        QString::fromLocal8Bit(argv[2])});
    const bool ok = dump.waitForFinished(-1) && psql.waitForFinished(-1)
                 && dump.exitCode() == 0 && psql.exitCode() == 0;
    const qint64 ns = t.nsecsElapsed();
    if (!ok) {
        std::printf("pgdbf | psql failed: %s\n", psql.readAllStandardError().constData());
        return 1;
    }
    std::printf("pgdbf | psql: %.2f s, %.0f records/s\n", ns / 1e9, perSecond(records, ns));
    return 0;
}
