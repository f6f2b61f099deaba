// Times the find of the lists over the large database that bench/run_find
// loads (or any other): the search of a whole list for a text no row holds
// (the most a keystroke can cost), the first search after a list is read
// (which builds the row indexes into the lookup sources), typing a text key
// by key through the find box of a grid, and F3 through the matches. Counts
// the memory allocations while searching.
//     bench_find <server> <database> <user> <password> [rounds]
#include "data/dataset.h"
#include "data/datasource.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/gridfind.h"
#include "widgets/gridsearch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Every allocation of the process goes through here, so that a search can be
// seen not to allocate.
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

namespace {

struct TStats {
    double min = 0, median = 0, max = 0;
};

TStats stats(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2], ms.back()};
}

double msSince(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// A list as a grid shows it: the dataset, the grid with its columns and the
// find box over it.
void benchList(const char *title, TDataSet *ds, const QStringList &fields,
               const QStringList &typed, const QString &frequent, int rounds)
{
    std::printf("\n%s: %d rows, columns %s\n", title, ds->RecordCount(),
                qPrintable(fields.join(QStringLiteral(", "))));
    int lookups = 0;
    for (const QString &f : fields)
        lookups += ds->Fields()[ds->FieldIndex(f)].kind == FieldKind::Lookup;
    std::printf("  lookup columns: %d\n", lookups);

    TGridSearch search(ds);
    search.SetFields(fields);
    const QString absent = QStringLiteral("нет такого текста");
    QElapsedTimer t;
    t.start();
    search.Find(absent, 0);
    std::printf("  first search (reads the cells):  %8.2f ms\n", msSince(t));

    std::vector<double> scans;
    for (int r = 0; r < rounds; ++r) {
        t.restart();
        search.Find(absent, 0);
        scans.push_back(msSince(t));
    }
    const TStats s = stats(scans);
    const double cells = double(ds->RecordCount()) * fields.size();
    std::printf("  whole list, no match:  min %6.2f  median %6.2f  max %6.2f ms"
                "  (%.1f ns per cell)\n",
                s.min, s.median, s.max, s.median * 1e6 / cells);
    g_allocations = 0;
    g_counting = true;
    for (int r = 0; r < rounds; ++r)
        search.Find(absent, 0);
    g_counting = false;
    std::printf("  allocations per whole-list search: %.1f (%.6f per cell)\n",
                double(g_allocations) / rounds, double(g_allocations) / rounds / cells);

    // typing into the find box of a grid: each key searches and moves the row
    TDataSource source(QStringLiteral("dsBench"), ds);
    QWidget panel;
    auto *grid = new TDBGrid(&source, &panel, QStringLiteral("dbgrdBench"));
    for (const QString &f : fields)
        grid->AddColumn(f, f, 100);
    auto *find = new TGridFind(grid, &panel);
    t.restart();
    find->Search()->SetFields(fields);
    find->Search()->Prepare();
    std::printf("  reading the cells when the find box gets the focus: %8.2f ms\n", msSince(t));
    for (const QString &word : typed) {
        std::vector<double> keys;
        find->Clear();
        ds->First();
        for (qsizetype n = 1; n <= word.size(); ++n) {
            t.restart();
            find->txtFind->setText(word.left(n));
            keys.push_back(msSince(t));
        }
        const TStats k = stats(keys);
        std::printf("  typing \"%s\" key by key: max %6.2f ms, median %6.2f ms per key;"
                    " row %d%s\n",
                    qPrintable(word), k.max, k.median, ds->RecNo(),
                    find->NoMatch() ? " (no match)" : "");
    }
    find->txtFind->setText(frequent);
    std::vector<double> steps;
    for (int r = 0; r < 50; ++r) {
        t.restart();
        find->FindNext();
        steps.push_back(msSince(t));
    }
    const TStats f3 = stats(steps);
    std::printf("  F3 through \"%s\": max %6.2f ms, median %6.2f ms per step\n",
                qPrintable(frequent), f3.max, f3.median);
}

// What the data module asks of a window: here only the settings.
class TBenchHost : public IDMHost
{
public:
    explicit TBenchHost(TConnectionSettings settings) : m_settings(std::move(settings)) {}
    void ShowConnState() override {}
    void EnableDataPages() override {}
    void DisableDataPages() override {}
    TConnectionSettings ConnectionSettings() override { return m_settings; }
    void SelectDatabasePage() override {}
    void SetStatusText(const QString &) override {}
    void SetWaitCursor(bool) override {}
    void ProcessEvents() override {}
    bool Confirm(const QString &) override { return false; }
    void Warn(const QString &) override {}

private:
    TConnectionSettings m_settings;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s server database user password [rounds]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 20;
    TBenchHost host({QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                     QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4])});
    TDM dm;
    DM = &dm;
    dm.SetHost(&host);
    try {
        dm.Connect();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "connect failed: %s\n", e.what());
        return 1;
    }

    // every channel, with the columns of the channel grid, all of them lookups
    TDataSet channels(QStringLiteral("qryAllChannels"), dm.dbConn);
    channels.SetSQL(QStringLiteral("SELECT vdevid, devid FROM vdevices ORDER BY vdevid"));
    channels.AddField(QStringLiteral("vdevid"), FieldType::String, 50);
    channels.AddField(QStringLiteral("devid"), FieldType::String, 50);
    for (const char *f : {"typename", "sernum", "vdixattr", "ctypattr", "systattr"})
        channels.AddLookupField(QString::fromLatin1(f), FieldType::String, 255,
                                QStringLiteral("vdevid"), dm.qryVDevicesAll,
                                QStringLiteral("vdevid"), QString::fromLatin1(f));
    channels.Open();

    benchList("channels (every channel, as the channel grid shows them)", &channels,
              {"typename", "sernum", "vdixattr", "ctypattr", "systattr"},
              {QStringLiteral("00019998"), QStringLiteral("Схема 9")},
              QStringLiteral("00001"), rounds);
    benchList("channels (qryVDevicesAll, plain columns)", dm.qryVDevicesAll,
              {"typename", "sernum", "vdixattr", "ctypattr", "systattr"},
              {QStringLiteral("00019998")}, QStringLiteral("00001"), rounds);
    benchList("devices (qryDevices, the device grid)", dm.qryDevices,
              {"typename", "sernum", "version", "ownername", "instbldaddr"},
              {QStringLiteral("организация 199"), QStringLiteral("00019998")},
              QStringLiteral("Тип 7"), rounds);
    return 0;
}
