// The benchmarks of Kestrum on a generated city (bench/citydb.sql): each
// figure is the median of several runs, taken in the program as it runs for
// the operator (its data module, main window and windows), beside what psql
// needs for the same statements where there is something to compare with.
//
//     bench_kestrum --server S --database D --user U --password P
//                   [--rounds N] [--scale X] [--dbf FILE]
//
// Prints one table (Markdown) and the details behind it; the exit code is 1
// when a measurement failed or found wrong data, not when a goal is missed.
// The start-up and the peak memory are taken in child processes of this
// program (--child startup, --child memory), so that nothing measured before
// counts.
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
#include <QStandardPaths>
#include <QStringDecoder>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <shapefil.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>

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
    QString child;     // startup, memory
    QStringList only;  // the figures to take (by their short names); empty: all
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
            QStringLiteral("--user"), s.user, QStringLiteral("--password"), s.password,
            QStringLiteral("--child"), mode};
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

// Start-up as main() does it, up to the main window painted, not connected.
int childStartup(int argc, char *argv[])
{
    QTemporaryDir dir;
    auto config = std::make_unique<TAppConfig>(dir.filePath(QStringLiteral("Kestrum.ini")));
    Config = config.get();
    TApplication app(argc, argv);
    auto dm = std::make_unique<TDM>();
    DM = dm.get();
    qint64 shown = 0;
    {
        TMainForm mainForm;
        CreateStartupWindows(&mainForm);
        TPaintWatch watch(&mainForm);
        mainForm.show();
        WaitFor([&] { return watch.Painted(); }, 20000);
        QCoreApplication::processEvents();
        shown = MonotonicNs();
    }
    DM = nullptr;
    dm.reset();
    std::printf("shown %lld\n", static_cast<long long>(shown));
    return 0;
}

// The program started and connected once: its peak resident memory.
int childMemory(int argc, char *argv[], const TBenchSettings &s)
{
    TApplication app(argc, argv);
    TProgram program(s);
    program.Main()->show();
    QCoreApplication::processEvents();
    program.Dm().Connect();
    QCoreApplication::processEvents();
    std::printf("peak %lld rss %lld\n", static_cast<long long>(procStatusKb("VmHWM")),
                static_cast<long long>(procStatusKb("VmRSS")));
    return 0;
}

QString runChild(const TBenchSettings &s, const QString &mode, qint64 *startedNs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    *startedNs = MonotonicNs();
    p.start(QCoreApplication::applicationFilePath(), childArgs(s, mode));
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode())
        throw std::runtime_error(("child " + mode + " failed").toStdString());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// ---- psql --------------------------------------------------------------------

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
        p.start(m_program, {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                            QStringLiteral("-t"), QStringLiteral("-v"),
                            QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-o"),
                            QStringLiteral("/dev/null"), QStringLiteral("-f"), scriptPath});
        const bool finished = p.waitForFinished(600000);
        const double ms = (MonotonicNs() - start) / 1e6;
        const QString text = QString::fromUtf8(p.readAll());
        if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode())
            throw std::runtime_error(("psql failed: " + text).toStdString());
        if (out)
            *out = text;
        return ms;
    }

private:
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

void writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate), QStringLiteral("write ") + path);
    f.write(text.toUtf8());
}

// ---- the measurements ----------------------------------------------------------

struct TRun {
    TBenchSettings s;
    TProgram *program = nullptr;
    TPsql *psql = nullptr;
    QStringList details;
};

QString fmt(double v, int decimals = 1)
{
    return QLocale::c().toString(v, 'f', decimals);
}

// Milliseconds as the table shows them: two decimals below 10.
QString fmtMs(double v)
{
    return fmt(v, v < 10 ? 2 : 0);
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
    f.goal = QStringLiteral("≤ 1.5 × psql");
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
    }
    f.value = Median(times);
    f.measured = true;

    // the lists hold what the database holds
    const int devices = scalar(QStringLiteral(
        "SELECT count(*) FROM devices d JOIN devtypes t ON t.devtypeid = d.devtypeid")).toInt();
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
            *times << TimeMs([&] { check(copy.FindRow(key, someChannel) >= 0,
                                         QStringLiteral("no channel found")); });
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
    f.met = ratio <= 1.5;
    return f;
}

TFigure measureMemory(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Peak resident memory after connecting");
    f.unit = QStringLiteral("MB");
    f.goal = QStringLiteral("< 250 MB");
    qint64 started = 0;
    const QString out = runChild(run.s, QStringLiteral("memory"), &started);
    const QStringList parts = out.split(QLatin1Char(' '));
    check(parts.size() == 4 && parts[0] == QLatin1String("peak"),
          QStringLiteral("memory child: ") + out);
    f.value = parts[1].toDouble() / 1024.0;
    f.measured = true;
    f.met = f.value < 250;
    f.note = QStringLiteral("resident after it %1 MB").arg(fmt(parts[3].toDouble() / 1024.0, 0));
    return f;
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
    objects->First();
    QCoreApplication::processEvents();
    const int moves = qMin(objects->RecordCount() - 1, 20 * run.s.rounds);
    QVector<double> times;
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
    }
    check(units > 0 && channels > 0, QStringLiteral("no units or channels read"));
    f.value = Median(times);
    f.measured = true;
    f.met = f.value < 5;
    f.note = QStringLiteral("%1 moves, %2 units and %3 channels per object on average")
                 .arg(moves)
                 .arg(fmt(double(units) / moves))
                 .arg(fmt(double(channels) / moves));
    return f;
}

TFigure measureDevicePost(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Posting an edited device (device list re-run and relocated)");
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("≤ 1.5 × psql");
    TDataSet *devices = run.program->Dm().qryDevices;
    devices->SetRecNo(devices->RecordCount() / 2);
    const QString devid = devices->FieldValue(QStringLiteral("devid")).toString();
    const QVariant original = devices->FieldValue(QStringLiteral("description"));
    // psql runs the list's SELECT alone after each post, timed by itself
    // (\timing: the query and its result, not psql's start or its printing)
    const QString script = QDir(run.s.workDir).filePath(QStringLiteral("devices.sql"));
    writeFile(script, QStringLiteral("\\timing on\n") + devices->SQL() + QStringLiteral(";\n"));
    static const QRegularExpression timing(QStringLiteral("Time: ([0-9.]+) ms"));
    QVector<double> times, psqlTimes;
    // the parts of each post: the row written, the list re-run and the device
    // found again (the record rule), what follows the post's notifications
    qint64 t0 = 0, t1 = 0, t2 = 0;
    QVector<double> writes, rules;
    devices->BeforePost.push_back([&t0](TDataSet &) { t0 = MonotonicNs(); });
    devices->AfterPost.insert(devices->AfterPost.begin(), [&t1](TDataSet &) {
        t1 = MonotonicNs();
    });
    devices->AfterPost.push_back([&t2](TDataSet &) { t2 = MonotonicNs(); });
    const std::unique_ptr<TDataSet, std::function<void(TDataSet *)>> unhook(
        devices, [](TDataSet *d) {
            d->BeforePost.pop_back();
            d->AfterPost.erase(d->AfterPost.begin());
            d->AfterPost.pop_back();
        });
    for (int r = 0; r < run.s.rounds; ++r) {
        const QString text = QStringLiteral("Проверка %1").arg(r + 1);
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
        QString out;
        run.psql->Run(script, &out);
        const QRegularExpressionMatch m = timing.match(out);
        check(m.hasMatch(), QStringLiteral("psql timing: ") + out);
        psqlTimes << m.captured(1).toDouble();
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
    f.comparison = QStringLiteral("psql, the list's SELECT: %1 ms; ratio %2")
                       .arg(fmtMs(p), fmt(ratio, 2));
    f.met = ratio <= 1.5;
    return f;
}

TFigure measureGridFill(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Filling every cell of the device grid's model once");
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("< 100 ms");
    auto *grid = run.program->Main()->findChild<TDBGrid *>(QStringLiteral("dbgrdDevices"));
    check(grid, QStringLiteral("no device grid"));
    QAbstractItemModel *m = grid->model();
    const int rows = m->rowCount(), columns = m->columnCount();
    check(rows == run.program->Dm().qryDevices->RecordCount() && columns == 5,
          QStringLiteral("the device grid does not show the device list"));
    QVector<double> times;
    qint64 filled = 0;
    for (int r = 0; r < run.s.rounds; ++r) {
        filled = 0;
        times << TimeMs([&] {
            for (int row = 0; row < rows; ++row)
                for (int c = 0; c < columns; ++c)
                    filled += !m->data(m->index(row, c), Qt::DisplayRole).toString().isEmpty();
        });
    }
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
    run.details << QStringLiteral("Device grid, per cell of each column: ") +
                       perColumn.join(QStringLiteral(", "));
    f.value = Median(times);
    f.measured = true;
    f.met = f.value < 100;
    f.note = QStringLiteral("%1 cells (%2 ns each), %3 of them not empty")
                 .arg(qint64(rows) * columns)
                 .arg(fmt(f.value * 1e6 / (double(rows) * columns), 0))
                 .arg(filled);
    return f;
}

// A title click on a grid of every channel with the channel grid's columns
// (all lookups) and the channel id (every text another): the rows sorted, the
// current row kept in sight.
TFigure measureSort(TRun &run)
{
    TFigure f;
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("< 100 ms");
    TDataSet channels(QStringLiteral("qryAllChannels"), DM->dbConn);
    channels.SetSQL(QStringLiteral("SELECT vdevid, devid FROM vdevices ORDER BY devid"));
    channels.AddField(QStringLiteral("vdevid"), FieldType::String, 50);
    channels.AddField(QStringLiteral("devid"), FieldType::String, 50);
    const QStringList shown = {"typename", "sernum", "vdixattr", "ctypattr", "systattr"};
    for (const QString &field : shown)
        channels.AddLookupField(field, FieldType::String, 255, QStringLiteral("vdevid"),
                                DM->qryVDevicesAll, QStringLiteral("vdevid"), field);
    channels.Open();
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

TFigure measureStartup(TRun &run)
{
    TFigure f;
    f.name = QStringLiteral("Start-up to the main window shown, not connected");
    f.unit = QStringLiteral("ms");
    f.goal = QStringLiteral("< 400 ms");
    QVector<double> times;
    for (int r = 0; r < run.s.rounds; ++r) {
        qint64 started = 0;
        const QString out = runChild(run.s, QStringLiteral("startup"), &started);
        check(out.startsWith(QLatin1String("shown ")), QStringLiteral("startup child: ") + out);
        times << (out.mid(6).toLongLong() - started) / 1e6;
    }
    f.value = Median(times);
    f.measured = true;
    f.met = f.value < 400;
    f.note = QStringLiteral("process start to the first paint of the main window");
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
                row[i] = QString(cp866.decode(QByteArray(DBFReadStringAttribute(dbf, r, i)))
                                     ).trimmed();
        rows << row;
    }
    DBFClose(dbf);
    return rows;
}

TFigure measurePgdbf(TRun &run, int records)
{
    TFigure f;
    f.name = QStringLiteral("pgdbf piped into psql");
    f.unit = QStringLiteral("rec/s");
    const QString pgdbf = QStandardPaths::findExecutable(QStringLiteral("pgdbf"));
    if (pgdbf.isEmpty() || !run.psql->Available()) {
        f.missing = QStringLiteral("n/a (pgdbf not installed)");
        return f;
    }
    QVector<double> rates;
    for (int r = 0; r < run.s.rounds; ++r) {
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
        rates << records / (ms / 1000.0);
    }
    const QString table = QFileInfo(run.s.dbfPath).completeBaseName().toLower();
    DM->dbConn->Execute(QStringLiteral("DROP TABLE IF EXISTS \"%1\"").arg(table));
    f.value = Median(rates);
    f.measured = true;
    return f;
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
        batch << rows.size() / (TimeMs([&] {
                                    TTransaction tr(*DM->dbConn);
                                    TStatement st(*DM->dbConn);
                                    st.Prepare(insert);
                                    st.ExecuteBatch(types, rows, 100);
                                }) / 1000.0);
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
    const int channels = scalar(QStringLiteral("SELECT count(*) FROM vdevices"
                                               " WHERE vdevid LIKE 'TARM!_VD%' ESCAPE '!'"))
                             .toInt();
    const int rows = qMin(qMax(10, int(1000 * run.s.scale)), qMin(1000, channels));
    const int objid = scalar(QStringLiteral(
        "INSERT INTO hwobjects (bldid, objname) SELECT max(buildingid), 'Дом для замера'"
        " FROM buildings RETURNING objid")).toInt();
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
        check(registered == rows, QStringLiteral("add_aptdevice registered %1 of %2 rows")
                                      .arg(registered)
                                      .arg(rows));
        return ms;
    };
    QVector<double> times, lazyTimes;
    for (int r = 0; r < run.s.rounds; ++r) {
        times << registerAll(*DM->dbConn);
        lazyTimes << registerAll(lazy);
    }
    DM->dbConn->Execute(QStringLiteral("DELETE FROM hwobjects WHERE objid = %1").arg(objid));
    const double perThousand = 1000.0 / rows;
    return QStringLiteral("Flat register probe, %1 calls of add_aptdevice, a statement each:"
                          " %2 ms per 1,000 rows; with synchronous_commit off %3 ms")
        .arg(rows)
        .arg(fmt(Median(times) * perThousand, 0), fmt(Median(lazyTimes) * perThousand, 0));
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
            check(SQL_SUCCEEDED(SQLExecDirect(h, reinterpret_cast<SQLCHAR *>(
                                                     const_cast<char *>(sql.constData())),
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

TFigure guarded(const QString &name, const std::function<TFigure()> &measure, bool *ok)
{
    try {
        return measure();
    } catch (const std::exception &e) {
        TFigure f;
        f.name = name;
        f.failed = true;
        f.note = QString::fromUtf8(e.what());
        *ok = false;
        return f;
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
    TRun run{o.s, &program, &psql, {}};

    bool ok = true;
    QVector<TFigure> figures;
    const auto add = [&](const QString &name, const std::function<TFigure()> &m) {
        if (!o.only.isEmpty() && !o.only.contains(name, Qt::CaseInsensitive) &&
            name != QLatin1String("Connect"))
            return;
        figures << guarded(name, m, &ok);
        std::fprintf(stderr, "  %s: %s\n", name.toUtf8().constData(),
                     valueText(figures.last()).toUtf8().constData());
    };
    add(QStringLiteral("Connect"), [&] { return measureConnect(run); });
    if (!DM->dbConn->IsOpen()) {
        std::fprintf(stderr, "connect failed: %s\n", figures.last().note.toUtf8().constData());
        return 1;
    }
    add(QStringLiteral("Memory"), [&] { return measureMemory(run); });
    add(QStringLiteral("Next object"), [&] { return measureNextObject(run); });
    add(QStringLiteral("Device post"), [&] { return measureDevicePost(run); });
    add(QStringLiteral("Device grid"), [&] { return measureGridFill(run); });
    add(QStringLiteral("Sort"), [&] { return measureSort(run); });

    QVector<QVector<QVariant>> dbfRows;
    if (!o.s.dbfPath.isEmpty())
        dbfRows = readDbf(o.s.dbfPath);
    add(QStringLiteral("Import"), [&] {
        TFigure f = MeasureImport(o.s);
        const TFigure p = measurePgdbf(run, int(dbfRows.size()));
        f.comparison = QStringLiteral("pgdbf piped into psql: ") +
                       (p.measured ? fmt(p.value, 0) + QStringLiteral(" rec/s") : p.missing) +
                       QStringLiteral(" (COPY into a new table, no upd_buildings())");
        if (f.note.isEmpty())
            f.note = QStringLiteral("%1 records").arg(dbfRows.size());
        return f;
    });
    add(QStringLiteral("Flat register"), [&] { return MeasureFlatRegister(o.s); });
    add(QStringLiteral("Archive viewer"), [&] { return measureArchiveViewer(run); });
    add(QStringLiteral("Start-up"), [&] { return measureStartup(run); });

    QStringList probes;
    try {
        const bool all = o.only.isEmpty() ||
                         o.only.contains(QStringLiteral("Probes"), Qt::CaseInsensitive);
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
        out << "| " << f.name << " | " << valueText(f) << " | " << f.comparison << " | "
            << f.goal << " | " << resultText(f) << " |\n";
    out << "\nMedian of " << o.s.rounds << " runs each; scale " << o.s.scale << "; Qt "
        << qVersion() << ", platform " << QGuiApplication::platformName() << "; "
        << scalar(QStringLiteral("SELECT version()")).toString().section(QLatin1Char(','), 0, 0)
        << "; short dates " << QLocale::system().dateFormat(QLocale::ShortFormat)
        << ".\n\nNotes:\n";
    for (const TFigure &f : figures)
        if (!f.note.isEmpty())
            out << "  " << f.name << ": " << (f.failed ? "FAILED: " : "") << f.note << "\n";
    out << "\n" << probes.join(QStringLiteral("\n")) << "\n\n"
        << run.details.join(QStringLiteral("\n\n")) << "\n";
    out.flush();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    try {
        Options o = parseOptions(argc, argv);
        if (o.child == QLatin1String("startup"))
            return childStartup(argc, argv);
        if (o.child == QLatin1String("memory"))
            return childMemory(argc, argv, o.s);
        if (o.s.server.isEmpty() || o.s.database.isEmpty()) {
            std::fprintf(stderr, "usage: %s --server S --database D --user U --password P"
                                 " [--rounds N] [--scale X] [--dbf FILE]\n", argv[0]);
            return 2;
        }
        return runBench(argc, argv, o);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_kestrum: %s\n", e.what());
        return 1;
    }
}
