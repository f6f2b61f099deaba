// Times the registration run: rows of valid meters registered through
// add_aptdevice, one prepared statement for all rows, then the same rows once
// more (every one answered "added before"). Makes its own metering object,
// concentrator and channels in the database and removes them afterwards.
//     bench_flatreg <server> <database> <user> <password> [rows] [rounds]
// Every row is a transaction of its own and add_aptdevice locks the object's
// row, so each call ends in a commit that waits for the server's WAL flush;
// the numbers "round trips alone" and "one commit" tell the client's share and
// the server's flush apart.
#include "data/odbc.h"
#include "flatreg/aptdevicequery.h"
#include "flatreg/registrationrun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>

#include <cstdio>

namespace {

class TCountingReport : public IRunReport
{
public:
    void RowStatus(int, const QString &status) override { ++statuses[status]; }
    void Log(const QString &) override { ++lines; }
    QHash<QString, int> statuses;
    int lines = 0;
};

const QString Concentrator = QStringLiteral("990001");
const QString Device = QStringLiteral("BENCH_FLATREG");

int hotOrCold(const QString &name)
{
    return name == QLatin1String("HOT") ? 2 : 3;
}

void printStatuses(const TCountingReport &report)
{
    for (auto it = report.statuses.cbegin(); it != report.statuses.cend(); ++it)
        std::printf("    %6d  %s\n", it.value(), qPrintable(it.key()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s server database user password [rows] [rounds]\n",
                     argv[0]);
        return 2;
    }
    const int rowCount = argc > 5 ? std::atoi(argv[5]) : 1000;
    const int rounds = argc > 6 ? std::atoi(argv[6]) : 3;
    try {
        TConnection conn;
        conn.Open(BuildConnectionString(QString::fromLocal8Bit(argv[1]),
                                        QString::fromLocal8Bit(argv[2]),
                                        QString::fromLocal8Bit(argv[3]),
                                        QString::fromLocal8Bit(argv[4])));
        conn.Execute(QStringLiteral(
            "INSERT INTO systems (systemid, systemname, systemabbr) VALUES"
            " (2, 'Горячая вода', 'ГВС'), (3, 'Холодная вода', 'ХВС') ON CONFLICT DO NOTHING"));
        conn.Execute(QStringLiteral("DELETE FROM devices WHERE devid = ?"),
                     {{FieldType::String, Device}});
        conn.Execute(QStringLiteral("INSERT INTO devices (devid) VALUES (?)"),
                     {{FieldType::String, Device}});
        conn.Execute(QStringLiteral("INSERT INTO vdevices (vdevid, devid)"
                                    " SELECT 'TARM_VD' || i || '_' || ?, ?"
                                    " FROM generate_series(0, ? - 1) AS i"),
                     {{FieldType::String, Concentrator}, {FieldType::String, Device},
                      {FieldType::Integer, rowCount}});
        TStatement insert(conn);
        insert.ExecDirect(QStringLiteral("INSERT INTO hwobjects (objname) VALUES"
                                         " ('bench_flatreg') RETURNING objid"));
        const int objectId = insert.FetchScalar().toInt();

        // two meters per flat, hot and cold, on consecutive channels
        QVector<TMeterRow> rows;
        for (int i = 0; i < rowCount; ++i)
            rows.append({QString::number(i / 2 + 1), i % 2 ? QStringLiteral("COLD")
                                                           : QStringLiteral("HOT"),
                         Concentrator, QString::number(i + 1), QStringLiteral("01.02.2008")});

        std::printf("%d rows, metering object %d\n", rowCount, objectId);

        // the round trips alone: the same five parameters to a statement that
        // does nothing on the server
        {
            TStatement echo(conn);
            echo.Prepare(QStringLiteral("SELECT CAST(? AS integer) + length(CAST(? AS text))"
                                        " + CAST(? AS integer) + length(CAST(? AS text))"
                                        " + length(CAST(? AS text)) AS add_aptdevice"));
            QElapsedTimer t;
            t.start();
            for (const TMeterRow &row : rows) {
                echo.Execute({{FieldType::Integer, objectId}, {FieldType::String, row.flat},
                              {FieldType::Integer, 2}, {FieldType::String, row.channel},
                              {FieldType::String, row.date}});
                echo.FetchScalar();
            }
            const double ms = t.nsecsElapsed() / 1e6;
            std::printf("round trips alone: %.1f ms, %.0f rows/s\n", ms, rowCount / (ms / 1000.0));
        }
        {
            // the object's row locked, as add_aptdevice locks it: the lock is
            // written to the log, so the commit waits for the flush
            TStatement commit(conn);
            commit.Prepare(QStringLiteral("SELECT objid FROM hwobjects WHERE objid = ?"
                                          " FOR UPDATE"));
            const int n = 100;
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < n; ++i) {
                commit.Execute({{FieldType::Integer, objectId}});
                commit.FetchScalar();
            }
            std::printf("one commit (the object's row locked): %.2f ms\n",
                        t.nsecsElapsed() / 1e6 / n);
        }
        double best = -1, bestRepeat = -1;
        for (int r = 0; r < rounds; ++r) {
            conn.Execute(QStringLiteral("DELETE FROM hwunits WHERE objid = ?"),
                         {{FieldType::Integer, objectId}});
            for (const bool repeat : {false, true}) {
                TAptDeviceQuery query(conn);
                TCountingReport report;
                QElapsedTimer t;
                t.start();
                const TRunOutcome outcome =
                    TRegistrationRun(query, report, hotOrCold).Run(objectId, rows);
                const double ms = t.nsecsElapsed() / 1e6;
                double &b = repeat ? bestRepeat : best;
                b = b < 0 ? ms : qMin(b, ms);
                std::printf("round %d, %s: %.1f ms, %.0f rows/s, %d sent\n", r + 1,
                            repeat ? "again (added before)" : "register", ms,
                            rowCount / (ms / 1000.0), outcome.sent);
                printStatuses(report);
            }
        }
        conn.Execute(QStringLiteral("DELETE FROM hwobjects WHERE objid = ?"),
                     {{FieldType::Integer, objectId}});
        conn.Execute(QStringLiteral("DELETE FROM devices WHERE devid = ?"),
                     {{FieldType::String, Device}});
        std::printf("best: register %.1f ms, again %.1f ms\n", best, bestRepeat);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
