// The operator's tools of every list against the real server: sorting by a
// column title (and everything that must follow the order shown), copying
// rows, saving a list as CSV (read back by a reader of the standard, not the
// writer's code), the context menu, the columns' widths and the names screen
// readers announce.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/formposition.h"
#include "base/myinifile.h"
#include "base/utils.h"
#include "common/operator.h"
#include "common/csvreader.h"
#include "common/testdb.h"
#include "data/dataset.h"
#include "data/datasource.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgriddelegate.h"
#include "widgets/gridfind.h"
#include "widgets/listform.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const char *const NotShown = "the test window was not shown";

FieldType fieldType(const QString &sqlType)
{
    if (sqlType == QLatin1String("integer"))
        return FieldType::Integer;
    if (sqlType == QLatin1String("double precision"))
        return FieldType::Float;
    if (sqlType == QLatin1String("date"))
        return FieldType::Date;
    if (sqlType == QLatin1String("timestamp"))
        return FieldType::DateTime;
    if (sqlType == QLatin1String("boolean"))
        return FieldType::Boolean;
    return FieldType::String;
}

// A text as an SQL literal that needs no escaping.
QString dollarQuoted(const QString &text)
{
    return QStringLiteral("$kestrum$") + text + QStringLiteral("$kestrum$");
}

// What the grid shows from the top, the value of one column per row.
QStringList shownColumn(TDBGrid *grid, int column)
{
    QStringList cells;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        cells << grid->CellText(r, column);
    return cells;
}

void clickTitle(TDBGrid *grid, int column)
{
    QHeaderView *header = grid->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

bool rowInSight(TDBGrid *grid, int row)
{
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    return cell.isValid() && grid->viewport()->rect().contains(cell);
}

// A window delegate that shows texts of its own, as the archive viewer's does.
class TShownDelegate : public TCellTextDelegate
{
public:
    TShownDelegate(const QString &text, QObject *parent) : TCellTextDelegate(parent), m_text(text)
    {
    }
    QString CellText(const QModelIndex &) const override { return m_text; }

private:
    QString m_text;
};

// The file size limit of the process, lowered while it lives; a write past
// it fails with EFBIG instead of ending the process.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    bool Set() const { return m_set; }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
    bool m_set = false;
};

} // namespace

class TestListTools : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void titleClicksSort_data();
    void titleClicksSort();
    void detailsFollowTheShownOrder();
    void findGoesInTheShownOrder();
    void rereadKeepsTheSort();
    void editingInASortedGrid();
    void devicesTabSortsAndChannelsFollow();

    void listAsText_data();
    void listAsText();
    void copyOfSelectedRows();
    void failedSave_data();
    void failedSave();
    void contextMenus_data();
    void contextMenus();

    void titlesFit_data();
    void titlesFit();
    void operatorWidthsAreKept();
    void everyListAndWindowIsNamed();

private:
    // A window with a grid over the dataset, shown; null when it was not.
    TDBGrid *showGrid(TDataSet *ds, QWidget *window, const QString &gridName = "dbgrdTest");
    // The dataset of a VALUES list: id (integer) and v of the given type.
    TDataSet *values(QObject *owner, const QString &sqlType, const QStringList &literals);
    TDataSet *areas(QObject *owner);
    // The id of each row from the top, as the grid shows it.
    QList<int> shownIds(TDBGrid *grid, TDataSet *ds);
    // The texts of the error boxes shown.
    QStringList errors() const;

    std::unique_ptr<TTestDatabase> m_db;
    QTemporaryDir m_dir;
    const QList<MessageInfo> &boxes() const { return m_messages.Boxes(); }
    TMessageCapture m_messages;
    QString m_chosen; // what the file dialog answers
};

void TestListTools::initTestCase()
{
    REQUIRE_TEST_SERVER();
    QVERIFY(m_dir.isValid());
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("listtools"));
    m_db->Exec(QStringLiteral(
        "INSERT INTO areas (areaid, areaname) VALUES (1, 'Заречье'), (2, 'Быково'), "
        "(3, 'Аксаково'), (4, 'Ясное'), (5, 'Вишнёвое');"
        "INSERT INTO addrunits (utype, unitid, unitname, areaid) VALUES "
        "('UL', 'u1', 'Ленина ул.', 1), ('UL', 'u2', 'Мира пр.', 2), "
        "('UL', 'u3', 'Садовая ул.', 3), ('UL', 'u4', 'Лесная ул.', 3);"
        "INSERT INTO devcategories (devcatid) VALUES ('cat');"));
}

void TestListTools::cleanupTestCase()
{
    m_db.reset();
}

void TestListTools::init()
{
    m_messages.Clear();
    m_chosen.clear();
    SetFileDialogHandler([this](const FileDialogInfo &) { return m_chosen; });
    SetExeDir(m_dir.path());
    QFile::remove(PositionFilePath());
}

void TestListTools::cleanup()
{
    SetFileDialogHandler({});
    SetExeDir(QString());
}

QStringList TestListTools::errors() const
{
    return m_messages.Texts();
}

TDBGrid *TestListTools::showGrid(TDataSet *ds, QWidget *window, const QString &gridName)
{
    auto *layout = new QVBoxLayout(window);
    auto *grid = new TDBGrid(new TDataSource(QStringLiteral("ds"), ds, window), window, gridName);
    layout->addWidget(grid);
    window->resize(600, 300);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return nullptr;
    grid->setFocus();
    return grid;
}

TDataSet *TestListTools::values(QObject *owner, const QString &sqlType,
                                const QStringList &literals)
{
    QStringList rows;
    for (int i = 0; i < literals.size(); ++i)
        rows << QStringLiteral("(%1, CAST(%2 AS %3))").arg(i + 1).arg(literals[i], sqlType);
    auto *ds = new TDataSet(QStringLiteral("qryValues"), &m_db->Conn(), owner);
    ds->SetSQL(QStringLiteral("SELECT id, v FROM (VALUES %1) AS t (id, v) ORDER BY id")
                   .arg(rows.join(QStringLiteral(", "))));
    ds->AddField(QStringLiteral("id"), FieldType::Integer);
    ds->AddField(QStringLiteral("v"), fieldType(sqlType), sqlType == "text" ? 200000 : 0);
    return ds;
}

TDataSet *TestListTools::areas(QObject *owner)
{
    auto *ds = new TDataSet(QStringLiteral("qryAreas"), &m_db->Conn(), owner);
    ds->SetSQL(QStringLiteral("SELECT areaid, areaname FROM areas ORDER BY areaid"));
    ds->AddField(QStringLiteral("areaid"), FieldType::Integer);
    ds->AddField(QStringLiteral("areaname"), FieldType::String, 255);
    ds->SetKeyField(QStringLiteral("areaid"));
    return ds;
}

QList<int> TestListTools::shownIds(TDBGrid *grid, TDataSet *ds)
{
    QList<int> ids;
    const int id = ds->FieldIndex(QStringLiteral("id"));
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        ids << ds->Value(grid->DataSetRow(r), id).toInt();
    return ids;
}

// ---- sorting ---------------------------------------------------------------

void TestListTools::titleClicksSort_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("literals");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QList<int>>("ids"); // from the top

    const QStringList serials = {"'150037'", "'900'", "NULL", "'1201'", "'0900'", "''"};
    QTest::newRow("serial numbers as numbers, empty last")
        << "text" << serials << 1 << QList<int>{2, 5, 4, 1, 3, 6};
    QTest::newRow("second click reverses, empty still last")
        << "text" << serials << 2 << QList<int>{1, 4, 2, 5, 3, 6};
    QTest::newRow("third click: the dataset's order")
        << "text" << serials << 3 << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("Russian collation, Cyrillic before Latin")
        << "text" << QStringList{"'яма'",     "'Ель'",   "'apple'", "'ёж'", "''",
                                 "'Абрикос'", "'Zebra'", "NULL",    "'ель'"}
        << 1 << QList<int>{6, 4, 9, 2, 1, 3, 7, 5, 8};
    QTest::newRow("numbers inside texts")
        << "text" << QStringList{"'Дом 10'", "'9'", "'Дом 100'", "'Дом 9'", "'10'"} << 1
        << QList<int>{2, 5, 4, 1, 3};
    QTest::newRow("equal values keep their order, also reversed")
        << "text" << QStringList{"'Б'", "'А'", "'Б'", "'А'"} << 2 << QList<int>{1, 3, 2, 4};
    QTest::newRow("integers") << "integer" << QStringList{"10", "-5", "NULL", "3", "3", "200"} << 1
                              << QList<int>{2, 4, 5, 1, 6, 3};
    QTest::newRow("integers reversed")
        << "integer" << QStringList{"10", "-5", "NULL", "3", "3", "200"} << 2
        << QList<int>{6, 1, 4, 5, 2, 3};
    QTest::newRow("fractions") << "double precision"
                               << QStringList{"1.5", "-0.25", "NULL", "10000000000", "1.25"} << 1
                               << QList<int>{2, 5, 1, 4, 3};
    QTest::newRow("dates") << "date"
                           << QStringList{"'2024-01-05'", "'2023-12-31'", "NULL", "'2024-01-04'"}
                           << 1 << QList<int>{2, 4, 1, 3};
    QTest::newRow("time stamps") << "timestamp"
                                 << QStringList{"'2024-01-05 10:00'", "'2024-01-05 09:59:59'",
                                                "'2023-02-01'", "NULL"}
                                 << 2 << QList<int>{1, 2, 3, 4};
    QTest::newRow("booleans") << "boolean" << QStringList{"true", "NULL", "false", "true"} << 1
                              << QList<int>{3, 1, 4, 2};
}

void TestListTools::titleClicksSort()
{
    QFETCH(QString, type);
    QFETCH(QStringList, literals);
    QFETCH(int, clicks);
    QFETCH(QList<int>, ids);
    QWidget window;
    TDataSet *ds = values(&window, type, literals);
    ds->Open();
    TDBGrid *grid = showGrid(ds, &window);
    QVERIFY2(grid, NotShown);
    grid->AddColumn(QStringLiteral("Код"), QStringLiteral("id"), 60);
    grid->AddColumn(QStringLiteral("Значение"), QStringLiteral("v"), 200);
    // the last row of the dataset is current
    ds->Last();
    const int current = ds->RecNo();
    for (int i = 0; i < clicks; ++i)
        clickTitle(grid, 1);

    QCOMPARE(shownIds(grid, ds), ids);
    QStringList shown; // what the rows show
    for (int id : std::as_const(ids))
        shown << QString::number(id);
    QCOMPARE(shownColumn(grid, 0), shown);
    const bool sorted = clicks % 3 != 0;
    QCOMPARE(grid->SortColumn(), sorted ? 1 : -1);
    QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), sorted ? 1 : -1);
    if (sorted)
        QCOMPARE(grid->horizontalHeader()->sortIndicatorOrder(),
                 clicks == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
    // the dataset keeps its rows and its current row, which the grid shows
    QCOMPARE(ds->RecNo(), current);
    QCOMPARE(grid->currentIndex().row(), ids.indexOf(ds->RecordCount()));
    QCOMPARE(grid->DataSetRow(grid->currentIndex().row()), current);
    QVERIFY(grid->selectionModel()->isRowSelected(grid->currentIndex().row(), QModelIndex()));
    // a click on a row moves the dataset to the row shown there
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->visualRect(grid->model()->index(0, 1)).center());
    QCOMPARE(ds->FieldValue(QStringLiteral("id")).toInt(), ids.first());
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(ds->FieldValue(QStringLiteral("id")).toInt(), ids.at(1));
}

void TestListTools::detailsFollowTheShownOrder()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    TDataSet *areaList = areas(&window);
    auto *dsAreas = new TDataSource(QStringLiteral("dsAreas"), areaList, &window);
    auto *streets = new TDataSet(QStringLiteral("qryAreaStreets"), &m_db->Conn(), &window);
    streets->SetSQL(QStringLiteral("SELECT unitid, unitname FROM addrunits "
                                   "WHERE areaid = :areaid ORDER BY unitid"));
    streets->AddParam(QStringLiteral("areaid"), FieldType::Integer);
    streets->SetMaster(dsAreas);
    areaList->Open();
    streets->Open();
    auto *master = new TDBGrid(dsAreas, &window);
    master->AddColumn(QStringLiteral("Наименование"), QStringLiteral("areaname"), 200);
    auto *detail = new TDBGrid(new TDataSource(QStringLiteral("dsS"), streets, &window), &window);
    detail->AddColumn(QStringLiteral("Улица"), QStringLiteral("unitname"), 200);
    layout->addWidget(master);
    layout->addWidget(detail);
    window.resize(400, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // by name: Аксаково (3), Быково (2), Вишнёвое (5), Заречье (1), Ясное (4)
    clickTitle(master, 0);
    QTest::mouseClick(master->viewport(), Qt::LeftButton, Qt::NoModifier,
                      master->visualRect(master->model()->index(0, 0)).center());
    QCOMPARE(areaList->FieldValue(QStringLiteral("areaid")).toInt(), 3);
    QCOMPARE(shownColumn(detail, 0), (QStringList{"Садовая ул.", "Лесная ул."}));
    // the detail sorts on its own, and keeps its sort when the master moves
    clickTitle(detail, 0);
    QCOMPARE(shownColumn(detail, 0), (QStringList{"Лесная ул.", "Садовая ул."}));
    QTest::keyClick(master, Qt::Key_Down);
    QCOMPARE(areaList->FieldValue(QStringLiteral("areaid")).toInt(), 2);
    QCOMPARE(shownColumn(detail, 0), QStringList{"Мира пр."});
    QTest::keyClick(master, Qt::Key_Up);
    QCOMPARE(shownColumn(detail, 0), (QStringList{"Лесная ул.", "Садовая ул."}));
    QCOMPARE(detail->SortColumn(), 0);
    // the detail's current row is its dataset's first row, shown second
    QCOMPARE(detail->currentIndex().row(), 1);
}

void TestListTools::findGoesInTheShownOrder()
{
    QWidget window;
    TDataSet *ds = values(&window, QStringLiteral("text"),
                          {"'улица 3'", "'улица 1'", "'проезд'", "'улица 2'"});
    ds->Open();
    TDBGrid *grid = showGrid(ds, &window);
    QVERIFY2(grid, NotShown);
    grid->AddColumn(QStringLiteral("Название"), QStringLiteral("v"), 200);
    auto *find = new TGridFind(grid, &window);
    clickTitle(grid, 0); // проезд, улица 1, улица 2, улица 3
    find->txtFind->setText(QStringLiteral("улица"));
    QCOMPARE(ds->FieldValue(QStringLiteral("v")).toString(), QStringLiteral("улица 1"));
    find->FindNext();
    QCOMPARE(ds->FieldValue(QStringLiteral("v")).toString(), QStringLiteral("улица 2"));
    find->FindPrevious();
    find->FindPrevious(); // wraps to the last one shown
    QCOMPARE(ds->FieldValue(QStringLiteral("v")).toString(), QStringLiteral("улица 3"));
    // the other way round, the first match is another
    clickTitle(grid, 0);
    find->FindFirst();
    QCOMPARE(ds->FieldValue(QStringLiteral("v")).toString(), QStringLiteral("улица 3"));
    QCOMPARE(grid->currentIndex().row(), 0);
}

void TestListTools::rereadKeepsTheSort()
{
    QWidget window;
    QStringList names;
    for (int i = 1; i <= 200; ++i)
        names << QStringLiteral("'Строка %1'").arg(i);
    TDataSet *ds = values(&window, QStringLiteral("text"), names);
    ds->Open();
    TDBGrid *grid = showGrid(ds, &window);
    QVERIFY2(grid, NotShown);
    grid->AddColumn(QStringLiteral("Название"), QStringLiteral("v"), 200);
    grid->SortByColumn(0, Qt::DescendingOrder);
    QCOMPARE(grid->CellText(0, 0), QStringLiteral("Строка 200"));
    // after a re-read the row found is current and in sight, in the sorted grid
    ds->Requery();
    QVERIFY(ds->Locate(QStringLiteral("v"), QStringLiteral("Строка 20")));
    QCOMPARE(grid->CellText(0, 0), QStringLiteral("Строка 200"));
    QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), 0);
    QCOMPARE(grid->currentIndex().row(), 180);
    QCOMPARE(grid->CellText(grid->currentIndex().row(), 0), QStringLiteral("Строка 20"));
    QTRY_VERIFY(rowInSight(grid, 180));
    // sorting keeps the current row in sight too
    grid->SortByColumn(0, Qt::AscendingOrder);
    QCOMPARE(grid->currentIndex().row(), 19);
    QTRY_VERIFY(rowInSight(grid, 19));
}

void TestListTools::editingInASortedGrid()
{
    m_db->Exec(QStringLiteral(
        "TRUNCATE devtypes CASCADE;"
        "INSERT INTO devtypes (devtypeid, devclassid, devcatid, typename, checkinterval) "
        "VALUES (1, 1, 'cat', 'Первый', 12), (2, 1, 'cat', 'Второй', 48), "
        "(3, 1, 'cat', 'Третий', 24);"));
    QWidget window;
    auto *ds = new TDataSet(QStringLiteral("qryDevTypes"), &m_db->Conn(), &window);
    ds->SetSQL(QStringLiteral("SELECT devtypeid, typename, checkinterval FROM devtypes "
                              "ORDER BY devtypeid"));
    ds->AddField(QStringLiteral("devtypeid"), FieldType::Integer);
    ds->AddField(QStringLiteral("typename"), FieldType::String, 50);
    ds->AddField(QStringLiteral("checkinterval"), FieldType::Integer);
    ds->SetKeyField(QStringLiteral("devtypeid"));
    // as the data module's rule does: read again, the posted row current
    ds->AfterPost.push_back([](TDataSet &d) {
        const QVariant key = d.FieldValue(QStringLiteral("devtypeid"));
        d.Requery();
        d.Locate(QStringLiteral("devtypeid"), key);
    });
    ds->Open();
    TDBGrid *grid = showGrid(ds, &window);
    QVERIFY2(grid, NotShown);
    grid->AddColumn(QStringLiteral("Наименование"), QStringLiteral("typename"), 150);
    grid->AddColumn(QStringLiteral("Интервал"), QStringLiteral("checkinterval"), 100);
    grid->SetColumnReadOnly(0);
    grid->SetEditable(true);
    clickTitle(grid, 1);
    clickTitle(grid, 1); // 48 Второй, 24 Третий, 12 Первый
    QCOMPARE(shownColumn(grid, 0), (QStringList{"Второй", "Третий", "Первый"}));

    // the row shown second is edited and posted, then found where it now sorts
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->visualRect(grid->model()->index(1, 1)).center());
    QCOMPARE(ds->FieldValue(QStringLiteral("devtypeid")).toInt(), 3);
    QTest::keyClick(grid, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("24"));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("6"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(ds->GetState(), TDataSet::State::Browse);
    QCOMPARE(errors(), QStringList());
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT checkinterval FROM devtypes "
                                         "WHERE devtypeid = 3"))
                 .toInt(),
             6);
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT sum(checkinterval) FROM devtypes")).toInt(),
             48 + 12 + 6);
    QCOMPARE(shownColumn(grid, 0), (QStringList{"Второй", "Первый", "Третий"}));
    QCOMPARE(ds->FieldValue(QStringLiteral("devtypeid")).toInt(), 3);
    QCOMPARE(grid->currentIndex().row(), 2);
}

void TestListTools::devicesTabSortsAndChannelsFollow()
{
    m_db->Exec(QStringLiteral(
        "TRUNCATE devtypes CASCADE;"
        "INSERT INTO devtypes (devtypeid, devclassid, devcatid, typename, checkinterval) "
        "VALUES (10, 1, 'cat', 'Тармин', 72);"
        "INSERT INTO devices (devid, devtypeid, sernum) VALUES ('D900', 10, '900'), "
        "('D150037', 10, '150037'), ('D1201', 10, '1201');"
        "INSERT INTO vdevices (vdevid, devid) VALUES ('V900', 'D900'), ('V1201', 'D1201'), "
        "('V150037a', 'D150037'), ('V150037b', 'D150037');"));
    TConnectedMainWindow app(m_db->Name());
    TMainForm &form = *app.Form();
    form.pcMain->setCurrentWidget(form.tsDevices);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *devices = form.findChild<TDBGrid *>(QStringLiteral("dbgrdDevices"));
    auto *channels = form.findChild<TDBGrid *>(QStringLiteral("dbgrdVDevices"));
    QVERIFY(devices && channels);
    QCOMPARE(devices->model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("Зав. номер"));
    clickTitle(devices, 1);
    QCOMPARE(shownColumn(devices, 1), (QStringList{"900", "1201", "150037"}));
    clickTitle(devices, 1);
    QCOMPARE(shownColumn(devices, 1), (QStringList{"150037", "1201", "900"}));
    // the top row is clicked: its channels follow
    QTest::mouseClick(devices->viewport(), Qt::LeftButton, Qt::NoModifier,
                      devices->visualRect(devices->model()->index(0, 1)).center());
    QCOMPARE(DM->qryDevices->FieldValue(QStringLiteral("devid")).toString(),
             QStringLiteral("D150037"));
    QCOMPARE(channels->model()->rowCount(), 2);
    QTest::keyClick(devices, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()
                 ->text()
                 .section(QStringLiteral("\r\n"), 1, 1)
                 .section(QLatin1Char('\t'), 0, 1),
             QStringLiteral("Тармин\t150037"));
    MainForm = nullptr;
}

// ---- the list as text ------------------------------------------------------

void TestListTools::listAsText_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("copied"); // the clipboard's line of the row, tab-separated

    QTest::newRow("plain Cyrillic") << "Ленина ул."
                                    << "7\tЛенина ул.\t05/03/2024\t1.5\tБыково";
    QTest::newRow("a semicolon") << "a;b"
                                 << "7\ta;b\t05/03/2024\t1.5\tБыково";
    QTest::newRow("quotes") << "say \"hi\""
                            << "7\t\"say \"\"hi\"\"\"\t05/03/2024\t1.5\tБыково";
    QTest::newRow("line breaks") << "one\r\ntwo\nthree"
                                 << "7\t\"one\r\ntwo\nthree\"\t05/03/2024\t1.5\tБыково";
    QTest::newRow("a tab") << "a\tb"
                           << "7\t\"a\tb\"\t05/03/2024\t1.5\tБыково";
    QTest::newRow("outside Windows-1251") << "水 😀 ǅ"
                                          << "7\t水 😀 ǅ\t05/03/2024\t1.5\tБыково";
    const QString longText = QString(100000, QChar(u'ж')) + QStringLiteral(";");
    QTest::newRow("a very long text")
        << longText << "7\t" + longText + "\t05/03/2024\t1.5\tБыково";
    // no text of the database holds a zero character: a window's own
    // delegate shows it
    QTest::newRow("a zero character") << QStringLiteral("a") + QChar(u'\0') +
            "b;" << QStringLiteral("7\ta") + QChar(u'\0') + "b;\t05/03/2024\t1.5\tБыково";
}

void TestListTools::listAsText()
{
    QFETCH(QString, cell);
    QFETCH(QString, copied);
    const bool zero = cell.contains(QChar(u'\0'));
    QWidget window;
    TDataSet *areaList = areas(&window);
    areaList->Open();
    auto *ds = new TDataSet(QStringLiteral("qryText"), &m_db->Conn(), &window);
    ds->SetSQL(QStringLiteral("SELECT 7 AS id, CAST(%1 AS text) AS v, DATE '2024-03-05' AS d,"
                              " CAST(1.5 AS double precision) AS x, 2 AS areaid")
                   .arg(dollarQuoted(zero ? QString() : cell)));
    ds->AddField(QStringLiteral("id"), FieldType::Integer);
    ds->AddField(QStringLiteral("v"), FieldType::String, 200000);
    ds->AddField(QStringLiteral("d"), FieldType::Date);
    ds->AddField(QStringLiteral("x"), FieldType::Float);
    ds->AddField(QStringLiteral("areaid"), FieldType::Integer);
    ds->AddLookupField(QStringLiteral("areaname"), FieldType::String, 255,
                       QStringLiteral("areaid"), areaList, QStringLiteral("areaid"),
                       QStringLiteral("areaname"));
    ds->Open();
    TDBGrid *grid = showGrid(ds, &window);
    QVERIFY2(grid, NotShown);
    grid->AddColumn(QStringLiteral("Код"), QStringLiteral("id"), 40);
    grid->AddColumn(QStringLiteral("Значение; текст"), QStringLiteral("v"), 200);
    grid->AddColumn(QStringLiteral("Дата"), QStringLiteral("d"), 80);
    grid->AddColumn(QStringLiteral("Число"), QStringLiteral("x"), 60);
    grid->AddColumn(QStringLiteral("Населенный пункт"), QStringLiteral("areaname"), 120);
    if (zero)
        grid->setItemDelegateForColumn(1, new TShownDelegate(cell, grid));
    const QStringList cells = {"7", cell, "05/03/2024", "1.5", "Быково"};
    const QStringList titles = {"Код", "Значение; текст", "Дата", "Число", "Населенный пункт"};
    QCOMPARE(grid->TableLines(), (QList<QStringList>{titles, cells}));

    // Ctrl+C: the title line and the row, as a spreadsheet pastes them
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    const QString clip = QGuiApplication::clipboard()->text();
    QCOMPARE(clip, titles.join(QLatin1Char('\t')) + "\r\n" + copied + "\r\n");
    QString malformed;
    QCOMPARE(ReadDelimited(clip, QLatin1Char('\t'), &malformed),
             (QList<QStringList>{titles, cells}));
    QCOMPARE(malformed, QString());

    // "Сохранить в CSV..." of the context menu, over an older file
    m_chosen = m_dir.filePath(QStringLiteral("list.csv"));
    QVERIFY(WriteFile(m_chosen, "older\r\n"));
    grid->SaveCsvAction()->trigger();
    QCOMPARE(errors(), QStringList());
    const QByteArray bytes = ReadFile(m_chosen);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(bytes.mid(3));
    QVERIFY(text.startsWith(QStringLiteral("Код;\"Значение; текст\";Дата;Число;"
                                           "Населенный пункт\r\n")));
    QCOMPARE(ReadDelimited(text, QLatin1Char(';'), &malformed),
             (QList<QStringList>{titles, cells}));
    QCOMPARE(malformed, QString());
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(QStringLiteral("list.csv")),
             QStringList{"list.csv"});
}

void TestListTools::copyOfSelectedRows()
{
    QWidget window;
    TDataSet *ds = values(&window, QStringLiteral("text"), {"'в'", "'а'", "'г'", "'б'"});
    ds->Open();
    TDBGrid *grid = showGrid(ds, &window);
    QVERIFY2(grid, NotShown);
    grid->AddColumn(QStringLiteral("Код"), QStringLiteral("id"), 60);
    grid->AddColumn(QStringLiteral("Буква"), QStringLiteral("v"), 60);
    grid->SortByColumn(1);
    // one row where one row may be selected: the current one
    ds->First();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Код\tБуква\r\n1\tв\r\n"));
    // several where several may be, in the order shown
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const auto rowCenter = [grid](int row) {
        return grid->visualRect(grid->model()->index(row, 0)).center();
    };
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rowCenter(3));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(2));
    QCOMPARE(grid->CopiedRows(), (QList<int>{0, 2, 3}));
    grid->CopyAction()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("Код\tБуква\r\n2\tа\r\n1\tв\r\n3\tг\r\n"));
}

void TestListTools::failedSave_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message"); // the start of the error box's text
    QTest::newRow("a missing folder") << "nosuch/list.csv"
                                      << "Не удалось создать файл";
    QTest::newRow("a file for the folder") << "afile/list.csv"
                                           << "Не удалось создать файл";
    QTest::newRow("a folder nobody may write") << "/proc/list.csv"
                                               << "Не удалось создать файл";
    QTest::newRow("a full disk") << "full.csv"
                                 << "Не удалось записать файл";
}

void TestListTools::failedSave()
{
    QFETCH(QString, target);
    QFETCH(QString, message);
    QWidget window;
    TDataSet *ds = values(&window, QStringLiteral("text"),
                          {dollarQuoted(QString(20000, QChar(u'ж'))), "'б'"});
    ds->Open();
    TDBGrid *grid = showGrid(ds, &window);
    QVERIFY2(grid, NotShown);
    grid->AddColumn(QStringLiteral("Текст"), QStringLiteral("v"), 60);
    QVERIFY(WriteFile(m_dir.filePath(QStringLiteral("afile")), QByteArray()));
    const QString path = QDir::isAbsolutePath(target) ? target : m_dir.filePath(target);
    const bool full = target == QLatin1String("full.csv");
    const QByteArray before = "earlier content\r\n";
    if (full)
        QVERIFY(WriteFile(path, before));
    const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files);
    m_chosen = path;
    {
        // a disk with room for 4 KB of the 40 KB
        std::unique_ptr<TFileSizeLimit> limit;
        if (full) {
            limit = std::make_unique<TFileSizeLimit>(4096);
            QVERIFY(limit->Set());
        }
        grid->SaveCsvAction()->trigger();
    }
    QCOMPARE(boxes().size(), 1);
    QVERIFY2(boxes()[0].text.contains(message), qPrintable(boxes()[0].text));
    QVERIFY2(boxes()[0].text.contains(QDir::toNativeSeparators(path)),
             qPrintable(boxes()[0].text));
    QCOMPARE(boxes()[0].icon, QMessageBox::Critical);
    // the earlier file as it was, no file left beside it
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), filesBefore);
    if (full) {
        QCOMPARE(ReadFile(path), before);
    } else {
        QVERIFY(!QFile::exists(path));
    }
}

void TestListTools::contextMenus_data()
{
    QTest::addColumn<QString>("popup"); // the window's own popup menu; empty: none
    QTest::addColumn<QStringList>("items");
    QTest::newRow("a list without a popup of its own")
        << QString() << QStringList{"mnuGridRefresh", "mnuGridCopy", "mnuGridSaveCsv"};
    QTest::newRow("the channel popup of the main window")
        << "mnuVDevices"
        << QStringList{"mnuVDevicesViewArchData", "", "mnuGridRefresh", "mnuGridCopy",
                       "mnuGridSaveCsv"};
    QTest::newRow("the heat and water channel popup") << "mnuHWUnitDev"
                                                      << QStringList{"mnuHWUnitDevViewWaterSupply",
                                                                     "",
                                                                     "mnuHWUnitDevViewArchData",
                                                                     "",
                                                                     "mnuGridRefresh",
                                                                     "mnuGridCopy",
                                                                     "mnuGridSaveCsv"};
}

void TestListTools::contextMenus()
{
    QFETCH(QString, popup);
    QFETCH(QStringList, items);
    // the domains add their items to the shared popups
    TConnectedMainWindow app(m_db->Name(), false);
    TMainForm &form = *app.Form();
    QWidget window;
    TDataSet *ds = values(&window, QStringLiteral("text"), {"'Садовая'", "'Лесная'"});
    ds->Open();
    TDBGrid *grid = showGrid(ds, &window);
    QVERIFY2(grid, NotShown);
    grid->AddColumn(QStringLiteral("Улица"), QStringLiteral("v"), 100);
    grid->SortByColumn(0);
    QMenu *menu = popup.isEmpty() ? nullptr : form.findChild<QMenu *>(popup);
    QVERIFY(popup.isEmpty() || menu);
    const int own = menu ? int(menu->actions().size()) : 0;
    if (menu)
        connect(grid, &TDBGrid::PopupMenuRequested, &form,
                [&](const QPoint &at) { form.PopupGridMenu(grid, menu, at); });

    QStringList shown;
    bool copyEnabled = false;
    QTimer::singleShot(0, &window, [&] {
        auto *open = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!open)
            return;
        for (QAction *a : open->actions())
            shown << a->objectName();
        copyEnabled = grid->CopyAction()->isEnabled();
        grid->CopyAction()->trigger();
        open->close();
    });
    QGuiApplication::clipboard()->clear();
    const QPoint at = grid->visualRect(grid->model()->index(0, 0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &event);

    QCOMPARE(shown, items);
    QVERIFY(copyEnabled);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Улица\r\nСадовая\r\n"));
    // a popup shared by several lists keeps only its own items
    if (menu)
        QCOMPARE(menu->actions().size(), own);
}

// ---- widths and names ------------------------------------------------------

void TestListTools::titlesFit_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("designed");
    QTest::addColumn<bool>("widened");
    QTest::newRow("Тариф 3") << "Тариф 3" << 10 << true;
    QTest::newRow("Интервал поверки (мес.)") << "Интервал поверки (мес.)" << 100 << true;
    QTest::newRow("Наименование системы") << "Наименование системы" << 120 << true;
    QTest::newRow("a wide designed width stays") << "Код" << 300 << false;
}

void TestListTools::titlesFit()
{
    QFETCH(QString, title);
    QFETCH(int, designed);
    QFETCH(bool, widened);
    QWidget window;
    TDataSet *ds = values(&window, QStringLiteral("integer"), {"1"});
    ds->Open();
    TDBGrid *grid = showGrid(ds, &window);
    QVERIFY2(grid, NotShown);
    grid->AddColumn(title, QStringLiteral("v"), designed);
    QHeaderView *header = grid->horizontalHeader();
    const int text = header->fontMetrics().horizontalAdvance(title);
    QVERIFY2(
        grid->columnWidth(0) >= header->sectionSizeHint(0),
        qPrintable(
            QStringLiteral("%1 < %2").arg(grid->columnWidth(0)).arg(header->sectionSizeHint(0))));
    QVERIFY(grid->columnWidth(0) > text);
    if (widened)
        QCOMPARE(grid->columnWidth(0), header->sectionSizeHint(0));
    else
        QCOMPARE(grid->columnWidth(0), designed);
    // a larger font widens the column again
    QFont big = grid->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    grid->setFont(big);
    QVERIFY(grid->columnWidth(0) >= header->sectionSizeHint(0));
}

void TestListTools::operatorWidthsAreKept()
{
    // a window of the program: the columns are there before it is shown
    const auto makeWindow = [this](QWidget *window, const QString &field) -> TDBGrid * {
        window->setObjectName(QStringLiteral("ListWindow"));
        TDataSet *ds = values(window, QStringLiteral("text"), {"'а'", "'б'"});
        ds->Open();
        auto *layout = new QVBoxLayout(window);
        auto *grid = new TDBGrid(new TDataSource(QStringLiteral("ds"), ds, window), window,
                                 QStringLiteral("dbgrdTest"));
        grid->AddColumn(QStringLiteral("Код"), QStringLiteral("id"), 80);
        grid->AddColumn(QStringLiteral("Текст"), field, 150);
        layout->addWidget(grid);
        window->resize(500, 300);
        window->show();
        return QTest::qWaitForWindowExposed(window) ? grid : nullptr;
    };
    int dragged = 0;
    {
        QWidget window;
        TDBGrid *grid = makeWindow(&window, QStringLiteral("v"));
        QVERIFY2(grid, NotShown);
        QCOMPARE(grid->WidthsSection(), QStringLiteral("dbgrdTest.ListWindow"));
        // the window's own section stays its own
        const int own = 77;
        SaveFormPosition(&window, &own, 1);
        // the operator drags the right edge of the first title 40 pixels right
        QHeaderView *header = grid->horizontalHeader();
        const QPoint edge(header->sectionViewportPosition(0) + header->sectionSize(0) - 1,
                          header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, Qt::NoModifier, edge);
        QMouseEvent move(QEvent::MouseMove, edge + QPoint(40, 0),
                         header->viewport()->mapToGlobal(edge + QPoint(40, 0)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &move);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                            edge + QPoint(40, 0));
        dragged = grid->columnWidth(0);
        QVERIFY2(dragged > 80, qPrintable(QString::number(dragged)));
    }
    TMYIniFile ini(PositionFilePath(), false, true);
    QCOMPARE(ini.ReadInteger(QStringLiteral("dbgrdTest.ListWindow"), QStringLiteral("PARAM2"), 0),
             dragged);
    QCOMPARE(ini.ReadInteger(QStringLiteral("ListWindow"), QStringLiteral("PARAM1"), 0), 77);
    {
        // the same list again: the operator's width is back
        QWidget window;
        TDBGrid *grid = makeWindow(&window, QStringLiteral("v"));
        QVERIFY2(grid, NotShown);
        QCOMPARE(grid->columnWidth(0), dragged);
    }
    {
        // other columns under the same names: the designed widths
        QWidget window;
        TDBGrid *grid = makeWindow(&window, QStringLiteral("id"));
        QVERIFY2(grid, NotShown);
        QCOMPARE(grid->columnWidth(0), qMax(80, grid->horizontalHeader()->sectionSizeHint(0)));
    }
}

void TestListTools::everyListAndWindowIsNamed()
{
    TConnectedMainWindow app(m_db->Name(), false);
    QStringList unnamed;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMenu *>(top) || top->inherits("QComboBoxPrivateContainer") ||
            top->windowType() == Qt::ToolTip)
            continue;
        QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(top);
        if (!reader || reader->text(QAccessible::Name).isEmpty())
            unnamed << top->objectName();
        else if (reader->role() == QAccessible::Client)
            unnamed << top->objectName() + QStringLiteral(" (a filler)");
        for (TDBGrid *grid : top->findChildren<TDBGrid *>())
            if (grid->accessibleName().isEmpty())
                unnamed << grid->objectName();
        for (TGridFind *find : top->findChildren<TGridFind *>())
            for (QWidget *w : QList<QWidget *>{find->txtFind, find->cbFindColumn})
                if (w->accessibleName().isEmpty() ||
                    !w->accessibleName().contains(find->Grid()->accessibleName()))
                    unnamed << w->objectName();
        for (QToolButton *b : top->findChildren<QToolButton *>())
            if (!b->toolTip().isEmpty() && b->accessibleName() != b->toolTip())
                unnamed << b->objectName();
    }
    MainForm = nullptr;
    QCOMPARE(unnamed, QStringList());

    // a list window on its own is announced as a window by its caption
    TListForm list(DM->dsAreas,
                   {"TestListForm",
                    QStringLiteral("Населенные пункты"),
                    {400, 300},
                    {"pnlAreas",
                     "stAreas",
                     QStringLiteral("Населенные пункты:"),
                     "dbgrdAreas",
                     {},
                     nullptr,
                     QString()}});
    QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(&list);
    QVERIFY(reader);
    QCOMPARE(reader->role(), QAccessible::Window);
    QCOMPARE(reader->text(QAccessible::Name), QStringLiteral("Населенные пункты"));
    QCOMPARE(list.Grid()->accessibleName(), QStringLiteral("Населенные пункты"));
}

QTEST_MAIN(TestListTools)
#include "test_listtools.moc"
