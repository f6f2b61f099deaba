// Times reading the large lists: the device selection list of each device
// class, the device list and the channel list, as the datasets read them, and
// the same statements fetched with and without size hints for their text
// columns. Runs over the database that bench/run_connect loads.
//     bench_fetch <server> <database> <user> <password> [rounds]
#include "data/dmfrm.h"
#include "shell/appconfig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Best time of a number of rounds, in milliseconds.
template <typename F>
double best(int rounds, F &&run)
{
    double ms = -1;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        run();
        const double now = t.nsecsElapsed() / 1e6;
        ms = ms < 0 ? now : qMin(ms, now);
    }
    return ms;
}

// The dataset's statement fetched on its own: every text column capped at
// 255 characters, or every text column as the driver describes it.
double fetchStatement(TDataSet *ds, bool hinted, int rounds, int *rows)
{
    const ParsedSql parsed = ParseNamedParams(ds->SQL());
    QVector<BoundValue> values;
    for (const QString &name : parsed.names)
        values.append(BoundValue{FieldType::Integer, ds->ParamValue(name)});
    TStatement st(*ds->Connection());
    st.Prepare(parsed.sql);
    return best(rounds, [&] {
        st.Execute(values);
        QVector<int> hints;
        if (hinted)
            for (const ColumnInfo &c : st.Columns())
                hints << (c.type == FieldType::String ? 255 : 0);
        *rows = 0;
        st.FetchAll([rows](QVector<QVariant> &) { ++*rows; }, hints);
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s server database user password [rounds]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 5 ? std::atoi(argv[5]) : 5;
    QTemporaryDir dir;
    TAppConfig config(dir.filePath(QStringLiteral("Kestrum.ini")));
    config.DBServer = QString::fromLocal8Bit(argv[1]);
    config.DBName = QString::fromLocal8Bit(argv[2]);
    config.DBUserName = QString::fromLocal8Bit(argv[3]);
    config.DBPassword = QString::fromLocal8Bit(argv[4]);
    Config = &config;
    TDM dm;
    DM = &dm;
    try {
        dm.Connect();
        std::printf("best of %d rounds, ms\n\n", rounds);
        std::printf("%-22s %7s %10s %12s %12s\n", "list", "rows", "dataset", "no hints",
                    "hints 255");
        struct Case {
            const char *title;
            TDataSet *ds;
            int devclass; // qrySelDevice only
        };
        const Case cases[] = {{"qrySelDevice class 1", dm.qrySelDevice, 1},
                              {"qrySelDevice class 2", dm.qrySelDevice, 2},
                              {"qryDevices", dm.qryDevices, 0},
                              {"qryVDevicesAll", dm.qryVDevicesAll, 0}};
        for (const Case &c : cases) {
            if (c.devclass)
                c.ds->SetParamValue(QStringLiteral("devclassid"), c.devclass);
            const double open = best(rounds, [&] { c.ds->Requery(); });
            int rows = 0;
            const double plain = fetchStatement(c.ds, false, rounds, &rows);
            const double hinted = fetchStatement(c.ds, true, rounds, &rows);
            std::printf("%-22s %7d %10.1f %12.1f %12.1f\n", c.title, c.ds->RecordCount(), open,
                        plain, hinted);
        }
        // a plain table, where the client's part of the work shows best
        TDataSet attrs(QStringLiteral("qryAttrVal"), dm.dbConn);
        attrs.SetSQL(QStringLiteral("SELECT devid, attrid, val FROM attrval"));
        attrs.AddField(QStringLiteral("devid"), FieldType::String, 50);
        attrs.AddField(QStringLiteral("attrid"), FieldType::String, 16);
        attrs.AddField(QStringLiteral("val"), FieldType::String);
        attrs.Open();
        const double open = best(rounds, [&] { attrs.Requery(); });
        int rows = 0;
        const double plain = fetchStatement(&attrs, false, rounds, &rows);
        const double hinted = fetchStatement(&attrs, true, rounds, &rows);
        std::printf("%-22s %7d %10.1f %12.1f %12.1f\n", "attrval, val unsized", rows, open, plain,
                    hinted);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
