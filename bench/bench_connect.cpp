// Times connecting: the connection and the 24 start-up datasets, each on its
// own, over the database that bench/run_connect loads (or any other).
//     bench_connect <server> <database> <user> <password> [rounds]
#include "data/dmfrm.h"
#include "app/appconfig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s server database user password [rounds]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 5 ? std::atoi(argv[5]) : 3;
    QTemporaryDir dir;
    TAppConfig config(dir.filePath(QStringLiteral("Kestrum.ini")));
    config.DBServer = QString::fromLocal8Bit(argv[1]);
    config.DBName = QString::fromLocal8Bit(argv[2]);
    config.DBUserName = QString::fromLocal8Bit(argv[3]);
    config.DBPassword = QString::fromLocal8Bit(argv[4]);
    Config = &config;
    TDM dm;
    DM = &dm;

    QHash<QString, qint64> perDataSet;
    QElapsedTimer t;
    for (TDataSet *ds : dm.StartupDataSets()) {
        ds->BeforeOpen.push_back([&t](TDataSet &) { t.restart(); });
        ds->AfterOpen.push_back(
            [&t, &perDataSet](TDataSet &d) { perDataSet[d.objectName()] += t.nsecsElapsed(); });
    }
    qint64 best = -1;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer total;
        total.start();
        try {
            dm.Connect();
        } catch (const std::exception &e) {
            std::fprintf(stderr, "connect failed: %s\n", e.what());
            return 1;
        }
        const qint64 ns = total.nsecsElapsed();
        best = best < 0 ? ns : qMin(best, ns);
        std::printf("round %d: connect + 24 datasets %.1f ms\n", r + 1, ns / 1e6);
        dm.Disconnect();
    }
    dm.Connect();
    std::printf("rows: qryDevices %d, qryVDevicesAll %d, qryHWObjects %d\n",
                dm.qryDevices->RecordCount(), dm.qryVDevicesAll->RecordCount(),
                dm.qryHWObjects->RecordCount());
    std::printf("\nmean per dataset over %d rounds (ms):\n", rounds);
    for (TDataSet *ds : dm.StartupDataSets())
        std::printf("  %-16s %8.2f\n", qPrintable(ds->objectName()),
                    perDataSet.value(ds->objectName()) / 1e6 / rounds);

    // lookup cells: the device selection list reads two lookups per row
    TDataSet *sel = dm.qrySelDevice;
    QElapsedTimer lk;
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
    lk.start();
    qint64 cells = 0;
    const int typeName = sel->FieldIndex(QStringLiteral("typename"));
    const int serial = sel->FieldIndex(QStringLiteral("sernum"));
    for (int pass = 0; pass < 5; ++pass)
        for (int row = 0; row < sel->RecordCount(); ++row) {
            cells += sel->Value(row, typeName).isValid();
            cells += sel->Value(row, serial).isValid();
        }
    const qint64 lookupNs = lk.nsecsElapsed();
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
    const double cpuNs = (cpu1.tv_sec - cpu0.tv_sec) * 1e9 + double(cpu1.tv_nsec - cpu0.tv_nsec);
    std::printf("\nlookup cells: %lld in %.1f ms, %.0f ns per cell (CPU %.0f ns)\n", cells,
                lookupNs / 1e6, cells ? double(lookupNs) / double(cells) : 0.0,
                cells ? cpuNs / double(cells) : 0.0);
    std::printf("best connect: %.1f ms\n", best / 1e6);
    return 0;
}
