// The benchmarks of Kestrum on a generated city (bench/citydb.sql): each
// figure is the median of several runs, taken in the program as it runs for
// the operator (its data module, main window and windows), beside what psql
// needs for the same statements where there is something to compare with.
//
//     bench_kestrum --server S --database D --user U --password P
//                   [--rounds N] [--scale X] [--dbf FILE] [--kestrum PROGRAM]
//                   [--only NAME,...] [--summary FILE]
//
// Prints one table (Markdown) and the details behind it; the exit code is 1
// when a measurement failed or found wrong data, not when a goal is missed.
// --summary writes the figures as tab-separated lines (short name, value,
// comparison) for the growth table of bench/run. The start-up is that of the
// built program (--kestrum) under an X server, up to the map of its main
// window; the memory is taken in child processes of this program (--child
// memory), so that nothing measured before counts.
#include "benchfigure.h"

#include "app/appconfig.h"
#include "app/application.h"
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "archive/archdataviewfrm.h"
#include "base/utils.h"
#include "data/dataset.h"
#include "data/datasource.h"
#include "data/dmfrm.h"
#include "data/odbcraw.h"
#include "data/sqlident.h"
#include "widgets/dbgrid.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QGuiApplication>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include "widgets/gridfind.h"
#include "widgets/gridsearch.h"

#include <shapefil.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

// Every allocation of the process goes through here while counting, so that
// a search of the find box can be seen not to allocate. (Not under
// AddressSanitizer, which keeps malloc for itself.)
#ifndef __SANITIZE_ADDRESS__
#define KESTRUM_COUNT_ALLOCATIONS 1
extern "C" void *__libc_malloc(size_t size);
extern "C" void *__libc_calloc(size_t count, size_t size);
extern "C" void *__libc_realloc(void *p, size_t size);
namespace {
bool g_counting = false;
long g_allocations = 0;
} // namespace
extern "C" void *malloc(size_t size)
{
    if (g_counting)
        ++g_allocations;
    return __libc_malloc(size);
}
extern "C" void *calloc(size_t count, size_t size)
{
    if (g_counting)
        ++g_allocations;
    return __libc_calloc(count, size);
}
extern "C" void *realloc(void *p, size_t size)
{
    if (g_counting)
        ++g_allocations;
    return __libc_realloc(p, size);
}
#endif

// ---- shared helpers ----------------------------------------------------------

double Median(QVector<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

qint64 MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double TimeMs(const std::function<void()> &f)
{
    const qint64 start = MonotonicNs();
    f();
    return (MonotonicNs() - start) / 1e6;
}

bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

namespace {

struct Options {
    TBenchSettings s;
    QString child;    // memory
    QStringList only; // the figures to take (by their short names); empty: all
    QString summary;  // where to write the figures as tab-separated lines
};

Options parseOptions(int argc, char *argv[])
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString key = QString::fromLocal8Bit(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (key == QLatin1String("--server"))
            o.s.server = value;
        else if (key == QLatin1String("--database"))
            o.s.database = value;
        else if (key == QLatin1String("--user"))
            o.s.user = value;
        else if (key == QLatin1String("--password"))
            o.s.password = value;
        else if (key == QLatin1String("--rounds"))
            o.s.rounds = qMax(1, value.toInt());
        else if (key == QLatin1String("--scale"))
            o.s.scale = value.toDouble();
        else if (key == QLatin1String("--dbf"))
            o.s.dbfPath = value;
        else if (key == QLatin1String("--kestrum"))
            o.s.kestrum = value;
        else if (key == QLatin1String("--summary"))
            o.summary = value;
        else if (key == QLatin1String("--child"))
            o.child = value;
        else if (key == QLatin1String("--only"))
            o.only = value.split(QLatin1Char(','));
        else
            throw std::runtime_error("unknown option " + key.toStdString());
    }
    return o;
}

QStringList childArgs(const TBenchSettings &s, const QString &mode)
{
    return {QStringLiteral("--server"), s.server, QStringLiteral("--database"), s.database,
            QStringLiteral("--user"),   s.user,   QStringLiteral("--password"), s.password,
            QStringLiteral("--child"),  mode};
}

// Kilobytes of a line of /proc/self/status ("VmHWM", "VmRSS").
qint64 procStatusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

QVariant scalar(const QString &sql)
{
    TStatement st(*DM->dbConn);
    st.ExecDirect(sql);
    return st.FetchScalar();
}

void check(bool ok, const QString &what)
{
    if (!ok)
        throw std::runtime_error(what.toStdString());
}

// The program's windows as main() makes them, the settings in a folder of
// their own so that nothing is read from or written beside the executable.
class TProgram
{
public:
    explicit TProgram(const TBenchSettings &s)
        : m_config(m_dir.filePath(QStringLiteral("Kestrum.ini")))
    {
        Config = &m_config;
        DM = &m_dm;
        m_main = std::make_unique<TMainForm>();
        CreateStartupWindows(m_main.get());
        m_main->txtDBServer->setText(s.server);
        m_main->txtDBName->setText(s.database);
        m_main->txtDBUserName->setText(s.user);
        m_main->txtDBPassword->setText(s.password);
    }
    ~TProgram()
    {
        m_main.reset();
        DM = nullptr;
        Config = nullptr;
    }
    TMainForm *Main() const { return m_main.get(); }
    TDM &Dm() { return m_dm; }

private:
    QTemporaryDir m_dir;
    TAppConfig m_config;
    TDM m_dm;
    std::unique_ptr<TMainForm> m_main;
};

// Waits until a widget has been painted once after show().
class TPaintWatch : public QObject
{
public:
    explicit TPaintWatch(QWidget *w) : m_widget(w) { w->installEventFilter(this); }
    bool Painted() const { return m_painted; }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o == m_widget && e->type() == QEvent::Paint)
            m_painted = true;
        return false;
    }

private:
    QWidget *m_widget;
    bool m_painted = false;
};

// ---- child processes ---------------------------------------------------------

// The program started and connected once: its resident memory with the bare
// window, after connecting and at its peak, and the rows and cells the
// start-up datasets hold.
int childMemory(int argc, char *argv[], const TBenchSettings &s)
{
    TApplication app(argc, argv);
    TProgram program(s);
    program.Main()->show();
    QCoreApplication::processEvents();
    const qint64 bare = procStatusKb("VmRSS");
    program.Dm().Connect();
    QCoreApplication::processEvents();
    qint64 rows = 0, cells = 0;
    for (TDataSet *ds : program.Dm().StartupDataSets()) {
        rows += ds->RecordCount();
        cells += qint64(ds->RecordCount()) * ds->Fields().size();
    }
    std::printf("bare %lld rss %lld peak %lld rows %lld cells %lld\n",
                static_cast<long long>(bare), static_cast<long long>(procStatusKb("VmRSS")),
                static_cast<long long>(procStatusKb("VmHWM")), static_cast<long long>(rows),
                static_cast<long long>(cells));
    return 0;
}

QString runChild(const TBenchSettings &s, const QString &mode)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), childArgs(s, mode));
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode())
        throw std::runtime_error(("child " + mode + " failed").toStdString());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// ---- psql --------------------------------------------------------------------

void writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate), QStringLiteral("write ") + path);
    f.write(text.toUtf8());
}

class TPsql
{
public:
    explicit TPsql(const TBenchSettings &s)
    {
        m_program = QStandardPaths::findExecutable(QStringLiteral("psql"));
        m_env = QProcessEnvironment::systemEnvironment();
        QString host = s.server, port;
        if (!host.startsWith(QLatin1Char('/'))) {
            const int colon = host.lastIndexOf(QLatin1Char(':'));
            if (colon > 0 && !host.endsWith(QLatin1Char(']'))) {
                port = host.mid(colon + 1);
                host = host.left(colon);
            }
            if (host.startsWith(QLatin1Char('[')))
                host = host.mid(1, host.size() - 2);
        }
        m_env.insert(QStringLiteral("PGHOST"), host);
        if (!port.isEmpty())
            m_env.insert(QStringLiteral("PGPORT"), port);
        m_env.insert(QStringLiteral("PGUSER"), s.user);
        m_env.insert(QStringLiteral("PGPASSWORD"), s.password);
        m_env.insert(QStringLiteral("PGDATABASE"), s.database);
        m_env.insert(QStringLiteral("PGCLIENTENCODING"), QStringLiteral("UTF8"));
        m_env.insert(QStringLiteral("PSQLRC"), QStringLiteral("/dev/null"));
    }
    bool Available() const { return !m_program.isEmpty(); }
    const QProcessEnvironment &Env() const { return m_env; }

    // Runs a script with the output thrown away; returns the wall time in ms
    // and, in *out, what psql printed besides the query results.
    double Run(const QString &scriptPath, QString *out = nullptr) const
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        const qint64 start = MonotonicNs();
        p.start(m_program, args(scriptPath));
        const bool finished = p.waitForFinished(600000);
        const double ms = (MonotonicNs() - start) / 1e6;
        const QString text = QString::fromUtf8(p.readAll());
        if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode())
            throw std::runtime_error(("psql failed: " + text).toStdString());
        if (out)
            *out = text;
        return ms;
    }

    // The peak resident memory (MB) of psql running a script: the high-water
    // mark of its own address space (VmHWM, which a high-water mark keeps
    // after the peak), read while it waits at the end of the script.
    double PeakMb(const QString &scriptPath, const QString &workDir) const
    {
        const QString waiting = QDir(workDir).filePath(QStringLiteral("peak.sql"));
        QFile script(scriptPath);
        check(script.open(QIODevice::ReadOnly), QStringLiteral("read ") + scriptPath);
        writeFile(waiting,
                  QString::fromUtf8(script.readAll()) + QStringLiteral("SELECT pg_sleep(0.5);\n"));
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(m_program, args(waiting));
        check(p.waitForStarted(), QStringLiteral("psql cannot be started"));
        const QString status = QStringLiteral("/proc/%1/status").arg(p.processId());
        qint64 peak = 0;
        while (!p.waitForFinished(20)) {
            QFile f(status);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : f.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    peak = std::max(peak, line.mid(6).trimmed().split(' ').value(0).toLongLong());
        }
        check(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && peak > 0,
              QStringLiteral("psql failed: ") + QString::fromUtf8(p.readAll()));
        return peak / 1024.0;
    }

    // The times psql's \timing printed, one per statement, in ms.
    static QVector<double> Timings(const QString &out)
    {
        static const QRegularExpression timing(QStringLiteral("Time: ([0-9.]+) ms"));
        QVector<double> times;
        for (auto it = timing.globalMatch(out); it.hasNext();)
            times << it.next().captured(1).toDouble();
        return times;
    }

private:
    QStringList args(const QString &scriptPath) const
    {
        return {QStringLiteral("-X"), QStringLiteral("-q"),
                QStringLiteral("-A"), QStringLiteral("-t"),
                QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-o"), QStringLiteral("/dev/null"),
                QStringLiteral("-f"), scriptPath};
    }

    QString m_program;
    QProcessEnvironment m_env;
};

QString sqlLiteral(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Double:
        return v.toString();
    default: {
        QString s = v.toString();
        s.replace(QLatin1Char('\''), QStringLiteral("''"));
        return QLatin1Char('\'') + s + QLatin1Char('\'');
    }
    }
}

// The statement a dataset ran last, its parameters written as literals.
QString literalSql(TDataSet *ds)
{
    const ParsedSql parsed = ParseNamedParams(ds->SQL());
    QString out;
    int next = 0;
    for (const QChar c : parsed.sql) {
        if (c == QLatin1Char('?') && next < parsed.names.size())
            out += sqlLiteral(ds->ParamValue(parsed.names[next++]));
        else
            out += c;
    }
    check(next == parsed.names.size(), ds->objectName() + QStringLiteral(": parameters"));
    return out;
}

// ---- the measurements ----------------------------------------------------------

struct TRun {
    TBenchSettings s;
    TProgram *program = nullptr;
    TPsql *psql = nullptr;
    QStringList details;
    QVector<double> psqlConnectPeakMb; // psql's peak memory for the start-up statements
};

QString fmt(double v, int decimals = 1)
{
    return QLocale::c().toString(v, 'f', decimals);
}

// Milliseconds as the table shows them: three decimals below 1, two below 10.
QString fmtMs(double v)
{
    return fmt(v, v < 1 ? 3 : v < 10 ? 2 : 0);
}

// The statements the start-up datasets ran, with their parameter values.
QString startupStatements(TDM &dm)
{
    QString script;
    for (TDataSet *ds : dm.StartupDataSets()) {
        TDataSet *master = ds->Master() ? ds->Master()->DataSet() : nullptr;
        if (master && master->IsEmpty())
            continue; // the program runs no query for an empty master either
        script += literalSql(ds) + QStringLiteral(";\n");
    }
    return script;
}

TFigure measureConnect(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Connect: `Connect` to all 24 datasets open");
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("≤ 1.0 × psql");
    TDM &dm = run.program->Dm();
    QHash<QString, QVector<double>> perDataSet;
    qint64 openedAt = 0;
    for (TDataSet *ds : dm.StartupDataSets()) {
        ds->BeforeOpen.insert(ds->BeforeOpen.begin(),
                              [&openedAt](TDataSet &) { openedAt = MonotonicNs(); });
        ds->AfterOpen.push_back([&openedAt, &perDataSet](TDataSet &d) {
            perDataSet[d.objectName()] << (MonotonicNs() - openedAt) / 1e6;
        });
    }
    // the handlers go again with this function, whatever happens
    const std::unique_ptr<TDM, std::function<void(TDM *)>> unhook(&dm, [](TDM *d) {
        for (TDataSet *ds : d->StartupDataSets()) {
            ds->BeforeOpen.erase(ds->BeforeOpen.begin());
            ds->AfterOpen.pop_back();
        }
    });
    // psql runs the same statements with the same parameter values right
    // after each connect, so that both see the same load of the machine
    const QString script = QDir(run.s.workDir).filePath(QStringLiteral("connect.sql"));
    QVector<double> times, psqlTimes;
    for (int r = 0; r < run.s.rounds; ++r) {
        dm.Disconnect();
        QCoreApplication::processEvents();
        times << TimeMs([&dm] { dm.Connect(); });
        QCoreApplication::processEvents();
        if (!run.psql->Available())
            continue;
        if (r == 0)
            writeFile(script, startupStatements(dm));
        psqlTimes << run.psql->Run(script);
        run.psqlConnectPeakMb << run.psql->PeakMb(script, run.s.workDir);
    }
    f.value = Median(times);
    f.measured = true;

    // the lists hold what the database holds
    const int devices =
        scalar(QStringLiteral(
                   "SELECT count(*) FROM devices d JOIN devtypes t ON t.devtypeid = d.devtypeid"))
            .toInt();
    check(dm.qryDevices->RecordCount() == devices, QStringLiteral("qryDevices rows"));
    check(dm.qryVDevicesAll->RecordCount() ==
              scalar(QStringLiteral("SELECT count(*) FROM vdevices")).toInt(),
          QStringLiteral("qryVDevicesAll rows"));
    check(dm.qryHWObjects->RecordCount() ==
              scalar(QStringLiteral("SELECT count(*) FROM hwobjects")).toInt(),
          QStringLiteral("qryHWObjects rows"));

    // the first lookup into the channel list builds its key index (the
    // controls over the unit channels ask for it while connecting); timed on
    // a copy of the list that nothing else reads
    TDataSet *all = dm.qryVDevicesAll;
    const QVariant someChannel =
        all->Value(all->RecordCount() / 2, all->FieldIndex(QStringLiteral("vdevid")));
    QVector<double> firstLookup;
    QVector<double> indexBuilt;
    for (int r = 0; r < run.s.rounds; ++r) {
        TDataSet copy(QStringLiteral("copy"), dm.dbConn);
        copy.SetSQL(all->SQL());
        copy.Open();
        const int key = copy.FieldIndex(QStringLiteral("vdevid"));
        // the first search scans the rows, the second builds the index
        for (QVector<double> *times : {&firstLookup, &indexBuilt})
            *times << TimeMs([&] {
                check(copy.FindRow(key, someChannel) >= 0, QStringLiteral("no channel found"));
            });
    }
    QString details = QStringLiteral("Connect: the first lookup into qryVDevicesAll (%1 rows,"
                                     " a scan) %2 ms, the second (its vdevid index built)"
                                     " %3 ms.\n")
                          .arg(all->RecordCount())
                          .arg(fmt(Median(firstLookup)))
                          .arg(fmt(Median(indexBuilt)));
    details += QStringLiteral("Connect, median per dataset (ms):");
    for (TDataSet *ds : dm.StartupDataSets())
        details += QStringLiteral("\n  %1 %2 ms, %3 rows")
                       .arg(ds->objectName(), -16)
                       .arg(fmt(Median(perDataSet.value(ds->objectName())), 2), 9)
                       .arg(ds->RecordCount());
    run.details << details;

    if (!run.psql->Available()) {
        f.comparison = QStringLiteral("n/a (no psql)");
        return f;
    }
    const double p = Median(psqlTimes);
    const double ratio = f.value / p;
    f.comparison = QStringLiteral("psql: %1 ms; ratio %2").arg(fmtMs(p), fmt(ratio, 2));
    f.met = ratio <= 1.0;
    return f;
}

// The peak resident memory of a fresh process that makes the program's
// windows and connects, and what the rows it loads cost: the resident memory
// after connecting less that of the bare window, divided by the rows and by
// the cells of the start-up datasets (a derived figure).
QVector<TFigure> measureMemory(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Peak resident memory after connecting");
    f.unit = QStringLiteral("MB");
    f.goal = QStringLiteral("≤ 100 MB");
    QVector<double> peaks, bares, afters, perRow, perCell;
    qint64 rows = 0, cells = 0;
    for (int r = 0; r < run.s.rounds; ++r) {
        const QString out = runChild(run.s, QStringLiteral("memory"));
        const QStringList parts = out.split(QLatin1Char(' '));
        check(parts.size() == 10 && parts[0] == QLatin1String("bare"),
              QStringLiteral("memory child: ") + out);
        const double bare = parts[1].toDouble(), rss = parts[3].toDouble();
        rows = parts[7].toLongLong();
        cells = parts[9].toLongLong();
        check(rows > 0 && cells > 0, QStringLiteral("memory child loaded no rows"));
        peaks << parts[5].toDouble() / 1024.0;
        bares << bare / 1024.0;
        afters << rss / 1024.0;
        perRow << (rss - bare) * 1024.0 / rows;
        perCell << (rss - bare) * 1024.0 / cells;
    }
    f.value = Median(peaks);
    f.measured = true;
    f.met = f.value <= 100;
    f.note = QStringLiteral("a fresh process that makes the windows as main() does and connects;"
                            " resident with the bare window %1 MB, after connecting %2 MB")
                 .arg(fmt(Median(bares), 0), fmt(Median(afters), 0));
    if (!run.psqlConnectPeakMb.isEmpty())
        f.comparison = QStringLiteral("psql running the start-up statements: peak %1 MB")
                           .arg(fmt(Median(run.psqlConnectPeakMb), 1));
    TFigure row;
    row.name = QStringLiteral("Memory per loaded row (derived: resident after connecting less"
                              " the bare window's, over the rows of the start-up datasets)");
    row.unit = QStringLiteral("B");
    row.value = Median(perRow);
    row.measured = true;
    row.note = QStringLiteral("%1 rows").arg(rows);
    TFigure cell = row;
    cell.name = QStringLiteral("Memory per loaded cell (derived as the row's, over rows ×"
                               " fields)");
    cell.value = Median(perCell);
    cell.note = QStringLiteral("%1 cells").arg(cells);
    TFigure above;
    above.name = QStringLiteral("Peak resident memory above the bare window's (derived: the"
                                " peak less the resident memory before connecting)");
    above.unit = QStringLiteral("MB");
    above.value = f.value - Median(bares);
    above.measured = true;
    return {f, row, cell, above};
}

// The datasets that follow a master, directly or through another.
QVector<TDataSet *> detailsOf(TDM &dm, TDataSet *master)
{
    QVector<TDataSet *> found;
    for (TDataSet *ds : dm.StartupDataSets())
        for (TDataSet *m = ds; m->Master() && m->Master()->DataSet();) {
            m = m->Master()->DataSet();
            if (m == master) {
                found << ds;
                break;
            }
        }
    return found;
}

TFigure measureNextObject(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Next metering object (units and unit channels re-run)");
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("< 5 ms");
    TDM &dm = run.program->Dm();
    TDataSet *objects = dm.qryHWObjects;
    check(objects->RecordCount() > 1, QStringLiteral("no metering objects"));
    const QVector<TDataSet *> details = detailsOf(dm, objects);
    objects->First();
    QCoreApplication::processEvents();
    // 20 moves a round; after each round psql runs the statements the
    // details ran for those moves, with their parameter values, each timed
    // by its \timing (the query and its result, not psql's start)
    const int moves = qMin(objects->RecordCount() - 1, 20 * run.s.rounds);
    const QString scriptPath = QDir(run.s.workDir).filePath(QStringLiteral("next.sql"));
    QVector<double> times, psqlTimes;
    QString script;
    QVector<int> statements; // per move of the round
    int units = 0, channels = 0;
    for (int i = 0; i < moves; ++i) {
        times << TimeMs([objects] {
            objects->Next();
            QCoreApplication::processEvents();
        });
        units += dm.qryHWUnits->RecordCount();
        channels += dm.qryHWUnitDev->RecordCount();
        check(dm.qryHWUnits->IsEmpty() ||
                  dm.qryHWUnits->FieldValue(QStringLiteral("objid")) ==
                      objects->FieldValue(QStringLiteral("objid")),
              QStringLiteral("the units are not those of the current object"));
        int n = 0;
        for (TDataSet *ds : details) {
            TDataSet *master = ds->Master()->DataSet();
            if (master != objects && master->IsEmpty())
                continue; // the program runs no query for an empty master either
            script += literalSql(ds) + QStringLiteral(";\n");
            ++n;
        }
        statements << n;
        if ((i + 1) % 20 && i + 1 < moves)
            continue;
        if (run.psql->Available()) {
            writeFile(scriptPath, QStringLiteral("\\timing on\n") + script);
            QString out;
            run.psql->Run(scriptPath, &out);
            const QVector<double> t = TPsql::Timings(out);
            qsizetype at = 0;
            for (int k : statements) {
                check(at + k <= t.size(), QStringLiteral("psql timing: ") + out);
                double sum = 0;
                for (int j = 0; j < k; ++j)
                    sum += t[at++];
                psqlTimes << sum;
            }
        }
        script.clear();
        statements.clear();
    }
    check(units > 0 && channels > 0, QStringLiteral("no units or channels read"));
    f.value = Median(times);
    f.measured = true;
    f.met = f.value < 5;
    f.note = QStringLiteral("%1 moves, %2 units and %3 channels per object on average")
                 .arg(moves)
                 .arg(fmt(double(units) / moves))
                 .arg(fmt(double(channels) / moves));
    if (psqlTimes.isEmpty()) {
        f.comparison = QStringLiteral("n/a (no psql)");
    } else {
        const double p = Median(psqlTimes);
        f.comparison = QStringLiteral("psql, the statements the details ran for each move"
                                      " (%1 datasets): %2 ms; ratio %3")
                           .arg(details.size())
                           .arg(fmtMs(p), fmt(f.value / p, 2));
    }
    return f;
}

// A device's text edited and posted as the device tab does it: the stored
// value read back under a lock, the UPDATE and the commit (TDataSet's
// writeRow), then the record rule's re-run of the list and the relocation
// to the device (with the details that re-run after it). psql runs the same
// statements with the same values right after each post, timed by its
// \timing (each statement and its result, not psql's start), their sum.
TFigure measureDevicePost(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Posting an edited device (device list re-run and relocated)");
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("≤ 1.2 × psql");
    TDM &dm = run.program->Dm();
    TDataSet *devices = dm.qryDevices;
    devices->SetRecNo(devices->RecordCount() / 2);
    const QString devid = devices->FieldValue(QStringLiteral("devid")).toString();
    const QVariant original = devices->FieldValue(QStringLiteral("description"));
    const QString script = QDir(run.s.workDir).filePath(QStringLiteral("devices.sql"));
    QString table;
    for (const QString &part : devices->UpdateTable().split(QLatin1Char('.')))
        table += (table.isEmpty() ? QString() : QStringLiteral(".")) + QuoteIdentifier(part);
    const QString where =
        QStringLiteral("%1 = %2").arg(QuoteIdentifier(QStringLiteral("devid")), sqlLiteral(devid));
    const QString column = QuoteIdentifier(QStringLiteral("description"));
    // which details re-run with the post
    const QVector<TDataSet *> details = detailsOf(dm, devices);
    // a detail re-read with its master runs no open handlers: its reset says it
    QSet<TDataSet *> reopened;
    QVector<QMetaObject::Connection> watched;
    for (TDataSet *d : details)
        watched << QObject::connect(d, &TDataSet::Reset, [&reopened, d] { reopened.insert(d); });
    QVector<double> times, psqlTimes;
    // the parts of each post: the row written, the list re-run and the device
    // found again (the record rule), what follows the post's notifications
    qint64 t0 = 0, t1 = 0, t2 = 0;
    QVector<double> writes, rules;
    devices->BeforePost.push_back([&t0](TDataSet &) { t0 = MonotonicNs(); });
    devices->AfterPost.insert(devices->AfterPost.begin(),
                              [&t1](TDataSet &) { t1 = MonotonicNs(); });
    devices->AfterPost.push_back([&t2](TDataSet &) { t2 = MonotonicNs(); });
    const std::unique_ptr<TDataSet, std::function<void(TDataSet *)>> unhook(
        devices, [details](TDataSet *d) {
            d->BeforePost.pop_back();
            d->AfterPost.erase(d->AfterPost.begin());
            d->AfterPost.pop_back();
        });
    const auto unwatch = qScopeGuard([&watched] {
        for (const QMetaObject::Connection &c : watched)
            QObject::disconnect(c);
    });
    int statements = 0;
    for (int r = 0; r < run.s.rounds; ++r) {
        const QString text = QStringLiteral("Проверка %1").arg(r + 1);
        reopened.clear();
        times << TimeMs([devices, &text] {
            devices->Edit();
            devices->SetFieldValue(QStringLiteral("description"), text);
            devices->Post();
            QCoreApplication::processEvents();
        });
        check(devices->FieldValue(QStringLiteral("devid")).toString() == devid &&
                  devices->FieldValue(QStringLiteral("description")).toString() == text,
              QStringLiteral("the posted device is not current with its new text"));
        writes << (t1 - t0) / 1e6;
        rules << (t2 - t1) / 1e6;
        if (!run.psql->Available())
            continue;
        QString sql = QStringLiteral("\\timing on\nBEGIN;\n"
                                     "SELECT %1 FROM %2 WHERE %3 FOR UPDATE;\n"
                                     "UPDATE %2 SET %1 = %4 WHERE %3;\n"
                                     "COMMIT;\n%5;\n")
                          .arg(column, table, where, sqlLiteral(text), literalSql(devices));
        for (TDataSet *d : details)
            if (reopened.contains(d))
                sql += literalSql(d) + QStringLiteral(";\n");
        writeFile(script, sql);
        QString out;
        run.psql->Run(script, &out);
        const QVector<double> t = TPsql::Timings(out);
        statements = 5 + int(reopened.size());
        check(t.size() == statements, QStringLiteral("psql timing: ") + out);
        double sum = 0;
        for (double ms : t)
            sum += ms;
        psqlTimes << sum;
    }
    devices->Edit();
    devices->SetFieldValue(QStringLiteral("description"), original);
    devices->Post();

    // where the time goes: the engine's fetch of the list into a dataset of
    // its own (no fields declared, no lookups, no grid), the re-run of the
    // list itself with its grids, and finding the device again
    QVector<double> fetch, requery, locate;
    for (int r = 0; r < run.s.rounds; ++r) {
        TDataSet bare(QStringLiteral("bare"), DM->dbConn);
        bare.SetSQL(devices->SQL());
        fetch << TimeMs([&bare] { bare.Open(); });
        requery << TimeMs([devices] {
            devices->Requery();
            QCoreApplication::processEvents();
        });
        locate << TimeMs([devices, &devid] { devices->Locate(QStringLiteral("devid"), devid); });
    }
    run.details << QStringLiteral("Device post, median parts (ms): writing the row %1;"
                                  " re-run and relocation %2. Apart: the list fetched by a"
                                  " bare dataset %3; qryDevices re-run with its grids %4;"
                                  " Locate %5")
                       .arg(fmt(Median(writes)), fmt(Median(rules)), fmt(Median(fetch)),
                            fmt(Median(requery)), fmt(Median(locate), 2));
    f.value = Median(times);
    f.measured = true;
    f.note = QStringLiteral("%1 devices").arg(devices->RecordCount());

    if (!run.psql->Available()) {
        f.comparison = QStringLiteral("n/a (no psql)");
        return f;
    }
    const double p = Median(psqlTimes);
    const double ratio = f.value / p;
    f.comparison = QStringLiteral("psql, the post's %1 statements (BEGIN, the locked read-back,"
                                  " UPDATE, COMMIT, the list's SELECT%2): %3 ms; ratio %4")
                       .arg(statements)
                       .arg(statements > 5 ? QStringLiteral(", the details'") : QString())
                       .arg(fmtMs(p), fmt(ratio, 2));
    f.met = ratio <= 1.2;
    return f;
}

// Every cell of the device grid's model asked for its text: the first time
// after the list was read (the operator's first look, when the lookups'
// indexes are built) and once more; the list is read again before each round.
QVector<TFigure> measureGridFill(TRun &run)
{
    TFigure cold;
    cold.name = QStringLiteral("Filling every cell of the device grid's model, the first time"
                               " after the list is read");
    cold.unit = QStringLiteral("ms");
    cold.goal = QStringLiteral("< 100 ms");
    TFigure warm = cold;
    warm.name = QStringLiteral("Filling every cell of the device grid's model again");
    auto *grid = run.program->Main()->findChild<TDBGrid *>(QStringLiteral("dbgrdDevices"));
    check(grid, QStringLiteral("no device grid"));
    TDataSet *devices = run.program->Dm().qryDevices;
    QAbstractItemModel *m = grid->model();
    const auto fill = [m](qint64 *filled) {
        const int rows = m->rowCount(), columns = m->columnCount();
        *filled = 0;
        for (int row = 0; row < rows; ++row)
            for (int c = 0; c < columns; ++c)
                *filled += !m->data(m->index(row, c), Qt::DisplayRole).toString().isEmpty();
    };
    QVector<double> colds, warms;
    qint64 filled = 0;
    for (int r = 0; r < run.s.rounds; ++r) {
        devices->Requery();
        QCoreApplication::processEvents();
        colds << TimeMs([&] { fill(&filled); });
        warms << TimeMs([&] { fill(&filled); });
    }
    const int rows = m->rowCount(), columns = m->columnCount();
    check(rows == devices->RecordCount() && columns == 5,
          QStringLiteral("the device grid does not show the device list"));
    check(filled > rows * 3, QStringLiteral("most cells of the device grid are empty"));
    // per column: lookup columns against plain ones
    QStringList perColumn;
    for (int c = 0; c < columns; ++c) {
        QVector<double> col;
        for (int r = 0; r < run.s.rounds; ++r)
            col << TimeMs([&] {
                for (int row = 0; row < rows; ++row)
                    m->data(m->index(row, c), Qt::DisplayRole);
            });
        perColumn << QStringLiteral("%1 %2 ns")
                         .arg(grid->ColumnField(c))
                         .arg(fmt(Median(col) * 1e6 / rows, 0));
    }
    run.details << QStringLiteral("Device grid, per cell of each column (warm): ") +
            perColumn.join(QStringLiteral(", "));
    const double cells = double(rows) * columns;
    for (auto [f, times] : {std::pair{&cold, &colds}, std::pair{&warm, &warms}}) {
        f->value = Median(*times);
        f->measured = true;
        f->met = f->value < 100;
        f->note = QStringLiteral("%1 cells (%2 ns each), %3 of them not empty")
                      .arg(qint64(cells))
                      .arg(fmt(f->value * 1e6 / cells, 0))
                      .arg(filled);
    }
    return {cold, warm};
}

// Every channel with the channel grid's columns (all lookups into the
// channel list) and the channel id.
const QStringList ChannelColumns = {"typename", "sernum", "vdixattr", "ctypattr", "systattr"};

std::unique_ptr<TDataSet> allChannels()
{
    auto channels = std::make_unique<TDataSet>(QStringLiteral("qryAllChannels"), DM->dbConn);
    channels->SetSQL(QStringLiteral("SELECT vdevid, devid FROM vdevices ORDER BY devid"));
    channels->AddField(QStringLiteral("vdevid"), FieldType::String, 50);
    channels->AddField(QStringLiteral("devid"), FieldType::String, 50);
    for (const QString &field : ChannelColumns)
        channels->AddLookupField(field, FieldType::String, 255, QStringLiteral("vdevid"),
                                 DM->qryVDevicesAll, QStringLiteral("vdevid"), field);
    channels->Open();
    return channels;
}

// The find box over every channel: a text typed key by key (the serial
// number of a channel three quarters down the list), each key searching and
// moving the row; a search of the whole list for a text no row holds (the
// most a key can cost) and the allocations it makes; reading the cells when
// the box is first used after the list was read.
QVector<TFigure> measureFind(TRun &run)
{
    const std::unique_ptr<TDataSet> channels = allChannels();
    const int count = channels->RecordCount();
    check(count > 0, QStringLiteral("no channels"));
    const QString word =
        channels->DisplayText(count * 3 / 4, channels->FieldIndex(QStringLiteral("sernum")));
    check(word.size() > 1, QStringLiteral("no serial number to find"));
    TDataSource source(QStringLiteral("dsBenchFind"), channels.get());
    QWidget panel;
    auto *grid = new TDBGrid(&source, &panel, QStringLiteral("dbgrdBenchFind"));
    for (const QString &field : ChannelColumns)
        grid->AddColumn(field, field, 100);
    auto *find = new TGridFind(grid, &panel);
    find->Search()->SetFields(ChannelColumns);
    QVector<double> keys, scans, prepares, steps;
    const QString absent = QStringLiteral("нет такого текста");
    for (int r = 0; r < run.s.rounds; ++r) {
        channels->Requery(); // the cells are read again with the next use
        find->Clear();
        channels->First();
        prepares << TimeMs([find] { find->Search()->Prepare(); });
        for (qsizetype n = 1; n <= word.size(); ++n)
            keys << TimeMs([&] { find->txtFind->setText(word.left(n)); });
        check(!find->NoMatch() &&
                  channels
                      ->DisplayText(channels->RecNo(),
                                    channels->FieldIndex(QStringLiteral("sernum")))
                      .contains(word),
              QStringLiteral("typing did not find the channel"));
        scans << TimeMs([find, &absent] { find->Search()->Find(absent, 0); });
        // F3 through the matches of the text's first half
        find->txtFind->setText(word.left(word.size() / 2));
        for (int i = 0; i < 20; ++i)
            steps << TimeMs([find] { find->FindNext(); });
    }
    long allocations = -1;
#ifdef KESTRUM_COUNT_ALLOCATIONS
    g_allocations = 0;
    g_counting = true;
    for (int r = 0; r < run.s.rounds; ++r)
        find->Search()->Find(absent, 0);
    g_counting = false;
    allocations = g_allocations / run.s.rounds;
#endif
    const QString over =
        QStringLiteral("the %1 channels (5 lookup columns)").arg(QLocale::c().toString(count));
    TFigure key;
    key.name = QStringLiteral("Find: one key typed into the find box over ") + over;
    key.unit = QStringLiteral("ms");
    key.value = Median(keys);
    key.measured = true;
    key.note = QStringLiteral("\"%1\" typed key by key, the row moving; slowest key %2 ms;"
                              " F3 to the next match of \"%3\" %4 ms; reading the cells when"
                              " the box is first used %5 ms")
                   .arg(word, fmtMs(*std::max_element(keys.begin(), keys.end())),
                        word.left(word.size() / 2), fmtMs(Median(steps)), fmtMs(Median(prepares)));
    TFigure scan;
    scan.name =
        QStringLiteral("Find: a search of the whole list for a text no row holds, over ") + over;
    scan.unit = QStringLiteral("ms");
    scan.value = Median(scans);
    scan.measured = true;
    scan.note = allocations < 0
        ? QStringLiteral("allocations not counted (AddressSanitizer build)")
        : QStringLiteral("%1 allocations per search").arg(allocations);
    return {key, scan};
}

// A title click on a grid of every channel with the channel grid's columns
// (all lookups) and the channel id (every text another): the rows sorted, the
// current row kept in sight.
TFigure measureSort(TRun &run)
{
    TFigure f;
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("< 100 ms");
    const std::unique_ptr<TDataSet> all = allChannels();
    TDataSet &channels = *all;
    const QStringList &shown = ChannelColumns;
    f.name = QStringLiteral("Sorting the %1 channels by a column (title click)")
                 .arg(QLocale::c().toString(channels.RecordCount()));
    TDataSource source(QStringLiteral("dsAllChannels"), &channels);
    TDBGrid grid(&source, nullptr, QStringLiteral("dbgrdBenchSort"));
    for (const QString &field : shown + QStringList{QStringLiteral("vdevid")})
        grid.AddColumn(field, field, 120);
    grid.resize(900, 600);
    grid.show();
    WaitFor([&] { return grid.isVisible(); });
    QStringList perColumn;
    double slowest = 0;
    for (int c = 0; c < grid.ColumnCount(); ++c) {
        QVector<double> times;
        for (int r = 0; r < run.s.rounds; ++r) {
            grid.SortByColumn(-1);
            QCoreApplication::processEvents();
            // the click's work; the repaint follows with the next frame
            times << TimeMs([&] { emit grid.horizontalHeader()->sectionClicked(c); });
            check(grid.SortColumn() == c, QStringLiteral("the title click did not sort"));
            QCoreApplication::processEvents();
        }
        const double median = Median(times);
        perColumn << QStringLiteral("%1 %2 ms").arg(grid.ColumnField(c), fmtMs(median));
        if (c < shown.size())
            slowest = std::max(slowest, median);
    }
    f.value = slowest;
    f.measured = true;
    f.met = f.value < 100;
    f.note = QStringLiteral("the slowest of the channel grid's columns; per column: ") +
        perColumn.join(QStringLiteral(", "));
    return f;
}

TFigure measureArchiveViewer(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Opening an archive viewer with 500 daily rows");
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("< 100 ms");
    TStatement st(*DM->dbConn);
    st.ExecDirect(QStringLiteral("SELECT devid, CAST(max(dt) AS date) FROM arch_tsrv"
                                 " WHERE rectypeid = 2 GROUP BY devid ORDER BY devid LIMIT 1"));
    QVariant vdevid, last;
    st.FetchAll([&](QVector<QVariant> &row) {
        vdevid = row.value(0);
        last = row.value(1);
    });
    check(!vdevid.isNull(), QStringLiteral("no daily archive"));
    const QDate end = last.toDate();
    const QDate start = end.addDays(-499);
    QVector<double> times;
    for (int r = 0; r < run.s.rounds; ++r) {
        TArchDataViewForm *viewer = nullptr;
        std::unique_ptr<TPaintWatch> watch;
        times << TimeMs([&] {
            viewer = OpenArchiveViewer(vdevid.toString(), 2, start, end);
            check(viewer, QStringLiteral("no viewer"));
            watch = std::make_unique<TPaintWatch>(viewer->dbgrdArchData->viewport());
            WaitFor([&] { return watch->Painted(); });
        });
        check(watch->Painted(), QStringLiteral("the viewer's grid was never painted"));
        check(viewer->qryArchData->RecordCount() == 500,
              QStringLiteral("the viewer shows %1 rows").arg(viewer->qryArchData->RecordCount()));
        watch.reset();
        delete viewer;
        QCoreApplication::processEvents();
    }
    f.value = Median(times);
    f.measured = true;
    f.met = f.value < 100;
    f.note = QStringLiteral("channel %1, %2 .. %3, to the grid painted")
                 .arg(vdevid.toString(), start.toString(Qt::ISODate), end.toString(Qt::ISODate));
    return f;
}

// The X11 property of a window that names the process that made it.
qint64 windowPid(xcb_connection_t *c, xcb_atom_t pidAtom, xcb_window_t w)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    qint64 pid = -1;
    if (reply && xcb_get_property_value_length(reply) == 4)
        pid = *static_cast<const quint32 *>(xcb_get_property_value(reply));
    free(reply);
    return pid;
}

// The built program started as an operator starts it (no arguments, its own
// copy in a folder of its own, so that it reads no settings and connects to
// nothing), from the exec to the X server's MapNotify of its main window,
// which this process watches on a connection of its own to the server. The
// program is ended with SIGTERM after each round.
TFigure measureStartup(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Start-up of the Kestrum executable to its main window mapped,"
                            " not connected");
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("< 400 ms");
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        f.missing =
            QStringLiteral("n/a (no X server: platform %1)").arg(QGuiApplication::platformName());
        return f;
    }
    check(QFileInfo(run.s.kestrum).isExecutable(),
          QStringLiteral("no Kestrum executable: ") + run.s.kestrum);
    const QString folder = QDir(run.s.workDir).filePath(QStringLiteral("kestrum"));
    QDir().mkpath(folder);
    const QString program = QDir(folder).filePath(QStringLiteral("Kestrum"));
    QFile::remove(program);
    check(QFile::copy(run.s.kestrum, program), QStringLiteral("cannot copy ") + run.s.kestrum);

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> closer(c,
                                                                                 xcb_disconnect);
    check(!xcb_connection_has_error(c), QStringLiteral("no connection to the X server"));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const quint32 mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const char pidName[] = "_NET_WM_PID";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof pidName - 1, pidName), nullptr);
    check(atom, QStringLiteral("no atom _NET_WM_PID"));
    const xcb_atom_t pidAtom = atom->atom;
    free(atom);
    xcb_flush(c);

    const QByteArray path = program.toLocal8Bit();
    QVector<double> times;
    for (int r = 0; r < run.s.rounds; ++r) {
        char *argv[] = {const_cast<char *>(path.constData()), nullptr};
        pid_t pid = 0;
        const qint64 started = MonotonicNs();
        check(posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) == 0,
              QStringLiteral("cannot start ") + program);
        qint64 mapped = 0;
        while (!mapped && MonotonicNs() - started < qint64(60) * 1000000000) {
            xcb_generic_event_t *e = xcb_poll_for_event(c);
            if (!e) {
                pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
                poll(&p, 1, 100);
                continue;
            }
            const qint64 at = MonotonicNs();
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(e);
                if (!map->override_redirect && windowPid(c, pidAtom, map->window) == pid)
                    mapped = at;
            }
            free(e);
        }
        kill(pid, SIGTERM);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        check(mapped, QStringLiteral("Kestrum mapped no window within a minute"));
        times << (mapped - started) / 1e6;
    }
    f.value = Median(times);
    f.measured = true;
    f.met = f.value < 400;
    f.note = QStringLiteral("posix_spawn of the built executable to the MapNotify of its"
                            " top-level window, watched over its own X connection");
    return f;
}

// ---- the import: pgdbf and what the driver allows -----------------------------

QVector<QVector<QVariant>> readDbf(const QString &path)
{
    QVector<QVector<QVariant>> rows;
    DBFHandle dbf = DBFOpen(path.toLocal8Bit().constData(), "rb");
    check(dbf, QStringLiteral("cannot open ") + path);
    const int fields = DBFGetFieldCount(dbf);
    const int records = DBFGetRecordCount(dbf);
    rows.reserve(records);
    QStringDecoder cp866("IBM866");
    for (int r = 0; r < records; ++r) {
        QVector<QVariant> row(fields);
        for (int i = 0; i < fields; ++i)
            if (!DBFIsAttributeNULL(dbf, r, i))
                row[i] =
                    QString(cp866.decode(QByteArray(DBFReadStringAttribute(dbf, r, i)))).trimmed();
        rows << row;
    }
    DBFClose(dbf);
    return rows;
}

// pgdbf piped into psql once on the building file: records per second.
double pgdbfRound(TRun &run, const QString &pgdbf, int records)
{
    QProcess dump, load;
    dump.setStandardOutputProcess(&load);
    load.setProcessEnvironment(run.psql->Env());
    load.setStandardOutputFile(QProcess::nullDevice());
    const qint64 start = MonotonicNs();
    dump.start(pgdbf, {QStringLiteral("-s"), QStringLiteral("cp866"), run.s.dbfPath});
    load.start(QStandardPaths::findExecutable(QStringLiteral("psql")),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1")});
    dump.waitForFinished(600000);
    load.waitForFinished(600000);
    const double ms = (MonotonicNs() - start) / 1e6;
    check(dump.exitCode() == 0 && load.exitCode() == 0,
          QStringLiteral("pgdbf piped into psql failed: ") +
              QString::fromUtf8(load.readAllStandardError()));
    return records / (ms / 1000.0);
}

// The building import through its window, and pgdbf piped into psql on the
// same file right after each import, so that both see the same load; then
// the import's copy, timed inside the import at the moment it reports the
// copy done, beside pgdbf's.
QVector<TFigure> measureImport(TRun &run, int records)
{
    TFigure f;
    f.name = QStringLiteral("Building import of a dBase file, %1 records")
                 .arg(QLocale::c().toString(records));
    f.unit = QStringLiteral("rec/s");
    f.goal = QStringLiteral("≥ 70,000 rec/s");
    TFigure copy;
    copy.name = QStringLiteral("The import's copy: the file's records staged in str_doma (inside"
                               " the import's transaction)");
    copy.unit = f.unit;
    copy.goal = QStringLiteral("≥ 300,000 rec/s");
    const QString pgdbf = QStandardPaths::findExecutable(QStringLiteral("pgdbf"));
    QVector<double> rates, pgdbfRates, copies, updates, commits, refreshes, headless;
    for (int r = 0; r < run.s.rounds; ++r) {
        rates << ImportRound(run.s);
        if (!pgdbf.isEmpty() && run.psql->Available())
            pgdbfRates << pgdbfRound(run, pgdbf, records);
        const TImportPhases phases = ImportPhases(run.s);
        copies << phases.records / (phases.copyMs / 1000.0);
        updates << phases.updateMs;
        commits << phases.commitMs;
        refreshes << phases.refreshMs;
        headless << phases.copyMs + phases.updateMs + phases.commitMs + phases.refreshMs;
    }
    const QString table = QFileInfo(run.s.dbfPath).completeBaseName().toLower();
    DM->dbConn->Execute(QStringLiteral("DROP TABLE IF EXISTS \"%1\"").arg(table));
    f.value = Median(rates);
    f.measured = true;
    f.met = f.value >= 70000;
    f.note = QStringLiteral("the button \"Загрузить данные в БД\" to the end of the import,"
                            " upd_buildings() included");
    f.comparison = pgdbfRates.isEmpty()
        ? QStringLiteral("n/a (pgdbf not installed)")
        : QStringLiteral("pgdbf piped into psql: %1 rec/s (COPY into a new table,"
                         " no upd_buildings())")
              .arg(QLocale::c().toString(Median(pgdbfRates), 'f', 0));
    copy.value = Median(copies);
    copy.measured = true;
    copy.met = copy.value >= 300000;
    copy.comparison = f.comparison;
    copy.note =
        QStringLiteral("TDM::ImportBuildings without its window, from its start to the"
                       " copy reported done; upd_buildings() then took %1 ms, emptying"
                       " str_doma and the commit %2 ms, the building list read again"
                       " %3 ms: %4 ms in all, against %5 ms through the window")
            .arg(fmt(Median(updates), 0), fmt(Median(commits), 0), fmt(Median(refreshes), 0),
                 fmt(Median(headless), 0), fmt(records / Median(rates) * 1000.0, 0));
    return {f, copy};
}

// One prepared INSERT into str_doma per record inside a transaction (what an
// import that executes once per record costs at least), then the same rows
// as parameter arrays, then once per record with the driver's savepoint per
// statement turned off; every run is rolled back.
QString importProbes(TRun &run, const QVector<QVector<QVariant>> &rows)
{
    const QString insert = QStringLiteral(
        "INSERT INTO str_doma (kod_ul, dom, korp, stroen, gil, kod_te) VALUES (?, ?, ?, ?, ?, ?)");
    const QVector<FieldType> types(6, FieldType::String);
    const auto perRecord = [&](TConnection &conn) {
        return TimeMs([&] {
            TTransaction tr(conn);
            TStatement st(conn);
            st.Prepare(insert);
            QVector<BoundValue> values(6);
            for (const QVector<QVariant> &row : rows) {
                for (int i = 0; i < 6; ++i)
                    values[i] = BoundValue{FieldType::String, row.value(i)};
                st.Execute(values);
            }
        });
    };
    QVector<double> single, batch, noSavepoint, update;
    TConnection plain;
    plain.Open(BuildConnectionString(run.s.server, run.s.database, run.s.user, run.s.password) +
               QStringLiteral("Protocol=7.4-1;"));
    for (int r = 0; r < run.s.rounds; ++r) {
        single << rows.size() / (perRecord(*DM->dbConn) / 1000.0);
        batch << rows.size() /
                (TimeMs([&] {
                     TTransaction tr(*DM->dbConn);
                     TStatement st(*DM->dbConn);
                     st.Prepare(insert);
                     st.ExecuteBatch(types, rows, 100);
                 }) /
                 1000.0);
        noSavepoint << rows.size() / (perRecord(plain) / 1000.0);
        // the server's part of an import: upd_buildings() over the staged file
        TTransaction tr(*DM->dbConn);
        TStatement st(*DM->dbConn);
        st.Prepare(insert);
        st.ExecuteBatch(types, rows, 100);
        update << TimeMs([] { DM->dbConn->Execute(QStringLiteral("SELECT upd_buildings()")); });
    }
    check(scalar(QStringLiteral("SELECT count(*) FROM str_doma")).toInt() == 0,
          QStringLiteral("str_doma is not empty after the probes"));
    return QStringLiteral("Import probes, %1 records of the file into str_doma, rolled back:\n"
                          "  one execute per record:                  %2 rec/s\n"
                          "  parameter arrays of 100 rows:            %3 rec/s\n"
                          "  one execute per record, Protocol=7.4-1:  %4 rec/s\n"
                          "  upd_buildings() over the staged records: %5 ms")
        .arg(rows.size())
        .arg(fmt(Median(single), 0), fmt(Median(batch), 0), fmt(Median(noSavepoint), 0),
             fmt(Median(update), 0));
}

// 1,000 calls of add_aptdevice the way the flat register sends them (a new
// statement text per row through a dataset on the program's connection).
QString flatRegisterProbe(TRun &run)
{
    const TFlatRegisterPlace place = NewFlatRegisterPlace();
    const int rows = place.rows, objid = place.objid;
    const auto channel = [](int i) {
        return QStringLiteral("TARM_VD%1_%2").arg(i % 16).arg(1201 + i / 16);
    };
    // the same calls on a connection whose commits do not wait for the disk
    TConnection lazy;
    lazy.Open(BuildConnectionString(run.s.server, run.s.database, run.s.user, run.s.password));
    lazy.Execute(QStringLiteral("SET synchronous_commit TO off"));
    const auto registerAll = [&](TConnection &conn) {
        int registered = 0;
        TDataSet query(QStringLiteral("Query"), &conn);
        const double ms = TimeMs([&] {
            for (int i = 0; i < rows; ++i) {
                query.Close();
                query.SetSQL(QStringLiteral("SELECT add_aptdevice(%1, '%2', %3, '%4', '%5');")
                                 .arg(objid)
                                 .arg(1 + i / 2)
                                 .arg(2 + i % 2)
                                 .arg(channel(i))
                                 .arg(QStringLiteral("01.02.2024")));
                query.Open();
                registered += query.FieldValue(QStringLiteral("add_aptdevice")).toInt() == 0;
                query.Close();
            }
        });
        DM->dbConn->Execute(QStringLiteral("DELETE FROM hwunits WHERE objid = %1").arg(objid));
        check(registered == rows,
              QStringLiteral("add_aptdevice registered %1 of %2 rows").arg(registered).arg(rows));
        return ms;
    };
    QVector<double> times, lazyTimes;
    for (int r = 0; r < run.s.rounds; ++r) {
        times << registerAll(*DM->dbConn);
        lazyTimes << registerAll(lazy);
    }
    DM->dbConn->Execute(QStringLiteral("DELETE FROM hwobjects WHERE objid = %1").arg(objid));
    return QStringLiteral("Flat register probe, %1 calls of add_aptdevice, a statement each:"
                          " %2 ms; with synchronous_commit off %3 ms")
        .arg(rows)
        .arg(fmt(Median(times), 0), fmt(Median(lazyTimes), 0));
}

// The device list fetched three ways, each the median of the runs: through
// the driver alone (every column bound as text, arrays of 512 rows, nothing
// converted), through the engine's statement (values as QVariant), and into a
// dataset of its own; what psql needs for it is the comparison's figure.
QString fetchProbe(TRun &run)
{
    const QByteArray sql = DM->qryDevices->SQL().toUtf8();
    QVector<double> driver, statement, dataSet;
    qint64 rows = 0;
    for (int r = 0; r < run.s.rounds; ++r) {
        driver << TimeMs([&] {
            TStatement st(*DM->dbConn);
            SQLHSTMT h = OdbcRaw::Handle(st);
            constexpr SQLULEN Rows = 512;
            constexpr SQLLEN Width = 1024;
            SQLSMALLINT cols = 0;
            SQLULEN fetched = 0;
            check(SQL_SUCCEEDED(SQLExecDirect(
                      h, reinterpret_cast<SQLCHAR *>(const_cast<char *>(sql.constData())),
                      SQLINTEGER(sql.size()))),
                  QStringLiteral("fetch probe: execute"));
            SQLNumResultCols(h, &cols);
            const std::vector<char> column(static_cast<size_t>(Rows * Width));
            const std::vector<SQLLEN> indicators(static_cast<size_t>(Rows));
            std::vector<std::vector<char>> data(size_t(cols), column);
            std::vector<std::vector<SQLLEN>> ind(size_t(cols), indicators);
            SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(Rows), 0);
            SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
            for (SQLSMALLINT c = 0; c < cols; ++c)
                SQLBindCol(h, SQLUSMALLINT(c + 1), SQL_C_CHAR, data[size_t(c)].data(), Width,
                           ind[size_t(c)].data());
            rows = 0;
            while (SQL_SUCCEEDED(SQLFetch(h)))
                rows += qint64(fetched);
            SQLFreeStmt(h, SQL_UNBIND);
            SQLFreeStmt(h, SQL_CLOSE);
        });
        statement << TimeMs([&] {
            TStatement st(*DM->dbConn);
            st.ExecDirect(QString::fromUtf8(sql));
            st.FetchAll([](QVector<QVariant> &) {});
        });
        dataSet << TimeMs([&] {
            TDataSet bare(QStringLiteral("bare"), DM->dbConn);
            bare.SetSQL(QString::fromUtf8(sql));
            bare.Open();
        });
    }
    check(rows == DM->qryDevices->RecordCount(), QStringLiteral("fetch probe: rows"));
    return QStringLiteral("Fetch probe, the device list (%1 rows): the driver alone, bound as"
                          " text %2 ms; the engine's statement %3 ms; a bare dataset %4 ms")
        .arg(rows)
        .arg(fmt(Median(driver), 0), fmt(Median(statement), 0), fmt(Median(dataSet), 0));
}

// ---- the table ---------------------------------------------------------------------

QString valueText(const TFigure &f)
{
    if (f.failed)
        return QStringLiteral("FAILED");
    if (!f.measured)
        return f.missing;
    const int decimals = f.unit == QLatin1String("rec/s") ? 0 : (f.value < 10 ? 2 : 0);
    return fmt(f.value, decimals) + QLatin1Char(' ') + f.unit;
}

QString resultText(const TFigure &f)
{
    if (f.failed || !f.measured || f.goal.isEmpty())
        return QString();
    if (f.comparison.startsWith(QLatin1String("n/a")))
        return QStringLiteral("no comparison");
    return f.met ? QStringLiteral("met") : QStringLiteral("missed");
}

// Runs a measurement of one or more figures; a failure becomes one failed
// figure that says why.
QVector<TFigure> guarded(const QString &name, const std::function<QVector<TFigure>()> &measure,
                         bool *ok)
{
    try {
        return measure();
    } catch (const std::exception &e) {
        TFigure f;
        f.name = name;
        f.failed = true;
        f.note = QString::fromUtf8(e.what());
        *ok = false;
        return {f};
    }
}

int runBench(int argc, char *argv[], Options &o)
{
    TApplication app(argc, argv);
    // no box waits for an operator
    SetMessageResponder([](const MessageInfo &m) {
        std::fprintf(stderr, "message box: %s\n", m.text.toUtf8().constData());
        return QMessageBox::Ok;
    });
    QTemporaryDir work;
    o.s.workDir = work.path();
    TProgram program(o.s);
    program.Main()->show();
    QCoreApplication::processEvents();
    TPsql psql(o.s);
    TRun run{o.s, &program, &psql, {}, {}};

    bool ok = true;
    QVector<TFigure> figures;
    QStringList keys; // the short name of each figure, for the summary
    const auto addAll = [&](const QString &name, const std::function<QVector<TFigure>()> &m) {
        if (!o.only.isEmpty() && !o.only.contains(name, Qt::CaseInsensitive) &&
            name != QLatin1String("Connect"))
            return;
        const QVector<TFigure> taken = guarded(name, m, &ok);
        for (qsizetype i = 0; i < taken.size(); ++i) {
            figures << taken[i];
            keys << (i ? name + QLatin1Char('/') + QString::number(i + 1) : name);
            std::fprintf(stderr, "  %s: %s\n", keys.last().toUtf8().constData(),
                         valueText(taken[i]).toUtf8().constData());
        }
    };
    const auto add = [&](const QString &name, const std::function<TFigure()> &m) {
        addAll(name, [&m] { return QVector<TFigure>{m()}; });
    };
    add(QStringLiteral("Connect"), [&] { return measureConnect(run); });
    if (!DM->dbConn->IsOpen()) {
        std::fprintf(stderr, "connect failed: %s\n", figures.last().note.toUtf8().constData());
        return 1;
    }
    addAll(QStringLiteral("Memory"), [&] { return measureMemory(run); });
    add(QStringLiteral("Next object"), [&] { return measureNextObject(run); });
    add(QStringLiteral("Device post"), [&] { return measureDevicePost(run); });
    addAll(QStringLiteral("Device grid"), [&] { return measureGridFill(run); });
    addAll(QStringLiteral("Find"), [&] { return measureFind(run); });
    add(QStringLiteral("Sort"), [&] { return measureSort(run); });

    QVector<QVector<QVariant>> dbfRows;
    if (!o.s.dbfPath.isEmpty())
        dbfRows = readDbf(o.s.dbfPath);
    if (!dbfRows.isEmpty())
        addAll(QStringLiteral("Import"), [&] { return measureImport(run, int(dbfRows.size())); });
    add(QStringLiteral("Flat register"), [&] { return MeasureFlatRegister(o.s); });
    add(QStringLiteral("Archive viewer"), [&] { return measureArchiveViewer(run); });
    add(QStringLiteral("Start-up"), [&] { return measureStartup(run); });

    QStringList probes;
    try {
        const bool all =
            o.only.isEmpty() || o.only.contains(QStringLiteral("Probes"), Qt::CaseInsensitive);
        if (all && !dbfRows.isEmpty())
            probes << importProbes(run, dbfRows);
        if (all)
            probes << flatRegisterProbe(run);
        if (all || o.only.contains(QStringLiteral("Fetch"), Qt::CaseInsensitive))
            probes << fetchProbe(run);
    } catch (const std::exception &e) {
        probes << QStringLiteral("probe FAILED: ") + QString::fromUtf8(e.what());
        ok = false;
    }

    QTextStream out(stdout);
    out << "| Figure | Kestrum | Comparison | Goal | Result |\n"
        << "|---|---|---|---|---|\n";
    for (const TFigure &f : figures)
        out << "| " << f.name << " | " << valueText(f) << " | " << f.comparison << " | " << f.goal
            << " | " << resultText(f) << " |\n";
    out << "\nMedian of " << o.s.rounds << " runs each; scale " << o.s.scale << "; Qt "
        << qVersion() << ", platform " << QGuiApplication::platformName() << "; "
        << scalar(QStringLiteral("SELECT version()")).toString().section(QLatin1Char(','), 0, 0)
        << "; short dates " << QLocale::system().dateFormat(QLocale::ShortFormat)
        << ".\n\nNotes:\n";
    for (const TFigure &f : figures)
        if (!f.note.isEmpty())
            out << "  " << f.name << ": " << (f.failed ? "FAILED: " : "") << f.note << "\n";
    out << "\n"
        << probes.join(QStringLiteral("\n")) << "\n\n"
        << run.details.join(QStringLiteral("\n\n")) << "\n";
    out.flush();

    if (!o.summary.isEmpty()) {
        QFile file(o.summary);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate),
              QStringLiteral("cannot write ") + o.summary);
        QTextStream summary(&file);
        for (qsizetype i = 0; i < figures.size(); ++i)
            summary << keys[i] << '\t' << valueText(figures[i]) << '\t' << figures[i].comparison
                    << '\n';
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    try {
        Options o = parseOptions(argc, argv);
        if (o.child == QLatin1String("memory"))
            return childMemory(argc, argv, o.s);
        if (o.s.server.isEmpty() || o.s.database.isEmpty()) {
            std::fprintf(stderr,
                         "usage: %s --server S --database D --user U --password P"
                         " [--rounds N] [--scale X] [--dbf FILE] [--kestrum PROGRAM]"
                         " [--only NAME,...] [--summary FILE]\n",
                         argv[0]);
            return 2;
        }
        return runBench(argc, argv, o);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_kestrum: %s\n", e.what());
        return 1;
    }
}
