// Times reading the large lists: the device selection list of each device
// class, the device list, the channel list and a plain table, as the datasets
// read them, and their statements alone, fetched in blocks of rows and row by
// row with a call per cell. Runs over the database that bench/run_connect
// loads.
//     bench_fetch <server> <database> <user> <password> [rounds]
#include "data/dmfrm.h"
#include "app/appconfig.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

struct Timing {
    double wall = -1; // ms
    double cpu = -1;  // ms of this process: the client's share of the work
};

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Best times of a number of rounds.
template <typename F>
Timing best(int rounds, F &&run)
{
    Timing b;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        const double cpu0 = cpuMs();
        run();
        const double cpu = cpuMs() - cpu0;
        const double wall = t.nsecsElapsed() / 1e6;
        b.wall = b.wall < 0 ? wall : qMin(b.wall, wall);
        b.cpu = b.cpu < 0 ? cpu : qMin(b.cpu, cpu);
    }
    return b;
}

void print(const char *title, int rows, const Timing &open, const Timing &blocks,
           const Timing &rowByRow)
{
    std::printf("%-22s %7d %8.1f /%6.1f %8.1f /%6.1f %8.1f /%6.1f\n", title, rows, open.wall,
                open.cpu, blocks.wall, blocks.cpu, rowByRow.wall, rowByRow.cpu);
}

// The dataset's statement fetched on its own, in blocks of rows as the
// datasets read (no size hints: every text whole).
Timing fetchBlocks(TDataSet *ds, int rounds)
{
    const ParsedSql parsed = ParseNamedParams(ds->SQL());
    QVector<BoundValue> values;
    for (const QString &name : parsed.names)
        values.append(BoundValue{FieldType::Integer, ds->ParamValue(name)});
    TStatement st(*ds->Connection());
    st.Prepare(parsed.sql);
    return best(rounds, [&] {
        st.Execute(values);
        int rows = 0;
        st.FetchAll([&rows](QVector<QVariant> &) { ++rows; });
    });
}

// The same statement read row by row, a call per cell, as the datasets did
// while any text column had no size.
Timing fetchRowByRow(TDataSet *ds, int rounds)
{
    const ParsedSql parsed = ParseNamedParams(ds->SQL());
    QVector<BoundValue> values;
    for (const QString &name : parsed.names)
        values.append(BoundValue{FieldType::Integer, ds->ParamValue(name)});
    TStatement st(*ds->Connection());
    st.Prepare(parsed.sql);
    return best(rounds, [&] {
        st.Execute(values);
        const QVector<ColumnInfo> cols = st.Columns();
        QVector<QVariant> row(cols.size());
        SQLHSTMT h = st.handle();
        while (SQLFetch(h) != SQL_NO_DATA) {
            for (int c = 0; c < cols.size(); ++c) {
                SQLLEN ind = 0;
                const FieldType t = cols[c].type;
                if (t == FieldType::SmallInt || t == FieldType::Integer ||
                    t == FieldType::LargeInt) {
                    qint64 v = 0;
                    SQLGetData(h, SQLUSMALLINT(c + 1), SQL_C_SBIGINT, &v, sizeof v, &ind);
                    row[c] = ind == SQL_NULL_DATA ? QVariant() : QVariant(qlonglong(v));
                } else if (t == FieldType::Date || t == FieldType::DateTime) {
                    SQL_TIMESTAMP_STRUCT ts{};
                    SQLGetData(h, SQLUSMALLINT(c + 1), SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts,
                               &ind);
                    row[c] = ind == SQL_NULL_DATA
                                 ? QVariant()
                                 : QVariant(QDateTime(QDate(ts.year, ts.month, ts.day),
                                                      QTime(ts.hour, ts.minute, ts.second)));
                } else {
                    QByteArray bytes;
                    char chunk[8192];
                    SQLRETURN r;
                    while ((r = SQLGetData(h, SQLUSMALLINT(c + 1), SQL_C_CHAR, chunk,
                                           sizeof chunk, &ind)) != SQL_NO_DATA) {
                        if (!SQL_SUCCEEDED(r) || ind == SQL_NULL_DATA)
                            break;
                        bytes.append(chunk, ind == SQL_NO_TOTAL || ind >= SQLLEN(sizeof chunk)
                                                ? qsizetype(sizeof chunk - 1)
                                                : qsizetype(ind));
                        if (r == SQL_SUCCESS)
                            break;
                    }
                    row[c] = ind == SQL_NULL_DATA ? QVariant()
                                                  : QVariant(QString::fromUtf8(bytes));
                }
            }
        }
        st.CloseCursor();
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
        std::printf("best of %d rounds, ms: wall / CPU of this process\n\n", rounds);
        std::printf("%-22s %7s %15s %15s %15s\n", "list", "rows", "dataset", "blocks",
                    "row by row");
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
            const Timing open = best(rounds, [&] { c.ds->Requery(); });
            print(c.title, c.ds->RecordCount(), open, fetchBlocks(c.ds, rounds),
                  fetchRowByRow(c.ds, rounds));
        }
        // a plain table, where the client's part of the work shows best
        TDataSet attrs(QStringLiteral("qryAttrVal"), dm.dbConn);
        attrs.SetSQL(QStringLiteral("SELECT devid, attrid, val FROM attrval"));
        attrs.AddField(QStringLiteral("devid"), FieldType::String, 50);
        attrs.AddField(QStringLiteral("attrid"), FieldType::String, 16);
        attrs.AddField(QStringLiteral("val"), FieldType::String);
        attrs.Open();
        const Timing open = best(rounds, [&] { attrs.Requery(); });
        print("attrval, val unsized", attrs.RecordCount(), open, fetchBlocks(&attrs, rounds),
              fetchRowByRow(&attrs, rounds));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
