// The chart page and the CSV file of the archive viewer against the real
// server: a line per parameter column with a point per value of the table,
// the time axis over the period, the values under the pointer, the drill-down
// by a double-click, and the file read back by the rules of the table text.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "archive/archchart.h"
#include "archive/archdataviewfrm.h"
#include "archive/archvaluedelegate.h"
#include "base/utils.h"
#include "common/archviewers.h"
#include "common/csvreader.h"
#include "common/operator.h"
#include "common/testdb.h"
#include "data/dataset.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTabWidget>
#include <QValueAxis>
#include <QtTest>

namespace {

// What the table shows, the title row first.
QList<QStringList> tableCells(TArchDataViewForm *v)
{
    QAbstractItemModel *m = v->dbgrdArchData->model();
    QList<QStringList> rows{{}};
    for (int c = 0; c < m->columnCount(); ++c)
        rows[0] << m->headerData(c, Qt::Horizontal).toString();
    auto *cells = qobject_cast<TArchValueDelegate *>(v->dbgrdArchData->itemDelegateForColumn(0));
    for (int r = 0; r < m->rowCount(); ++r) {
        rows << QStringList();
        for (int c = 0; c < m->columnCount(); ++c)
            rows.last() << cells->CellText(m->index(r, c));
    }
    return rows;
}

void sendMouse(QWidget *to, QEvent::Type type, const QPoint &at)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, to->mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(to, &e);
}

} // namespace

class TestArchChart : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void chartShowsTheTable_data();
    void chartShowsTheTable();
    void pointerAndDoubleClick_data();
    void pointerAndDoubleClick();
    void saveCsv_data();
    void saveCsv();

private:
    TArchDataViewForm *open(const QString &vdevid, int recType, const QDate &day0,
                            const QDate &day1);

    std::unique_ptr<TTestDatabase> m_db;
    // the texts of the error boxes shown
    QStringList errors() const;

    std::unique_ptr<TConnectedMainWindow> m_main;
    TMessageCapture m_messages;
    QList<FileDialogInfo> m_dialogs;
    QString m_chosen; // what the file dialog answers
    QTemporaryDir m_dir;
};

void TestArchChart::initTestCase()
{
    SetFileDialogHandler([this](const FileDialogInfo &info) {
        m_dialogs << info;
        return m_chosen;
    });
    if (TestServer::Available())
        m_db = std::make_unique<TTestDatabase>(QStringLiteral("archchart"));
}

void TestArchChart::init()
{
    REQUIRE_TEST_SERVER();
    m_messages.Clear();
    m_dialogs.clear();
    m_db->Exec(QString::fromUtf8(
        "TRUNCATE devcategories, devtypes, devices, vdevices, attrval, devparams, rectypes,"
        " arch_tarmin CASCADE;"
        "INSERT INTO rectypes VALUES (1, 'Часовые'), (2, 'Суточные');"
        "INSERT INTO devcategories VALUES ('TARMIN', 'arch_tarmin'), ('SEMI', 'arch_tarmin');"
        "INSERT INTO devtypes VALUES (1, 1, 'TARMIN', 'Тармин', 72),"
        " (2, 1, 'SEMI', 'Точка с запятой', 72);"
        "INSERT INTO devices (devid, devtypeid, sernum) VALUES ('D1', 1, '1201'),"
        " ('D2', 2, '7');"
        "INSERT INTO vdevices VALUES ('V1', 'D1'), ('VS', 'D2');"
        "INSERT INTO devparams (paramid, paramname, devcatid, fname, finame) VALUES"
        " (1, 'V', 'TARMIN', 'v', 'vi'), (2, 'Ош.', 'TARMIN', 'err', NULL),"
        " (3, 'V;1', 'SEMI', 'v', NULL);"
        // daily records of August 2024, err missing on the 5th; hours of the 3rd
        "INSERT INTO arch_tarmin (devid, rectypeid, dt, ts, v, vi, err)"
        " SELECT 'V1', 2, d, d + interval '5 min', extract(day FROM d) / 8.0,"
        " 1000 + extract(day FROM d), CASE WHEN extract(day FROM d) = 5 THEN NULL ELSE 0 END"
        " FROM generate_series(timestamp '2024-08-01', timestamp '2024-08-22', '1 day') d"
        " UNION ALL SELECT 'V1', 1, h, h, extract(hour FROM h), 5, 1"
        " FROM generate_series(timestamp '2024-08-03', timestamp '2024-08-03 23:00', '1 hour') h"
        " UNION ALL SELECT 'VS', 2, timestamp '2024-08-01', NULL, 1, NULL, NULL;"));
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
}

void TestArchChart::cleanup()
{
    m_main.reset(); // the viewers go with the main window
}

QStringList TestArchChart::errors() const
{
    QStringList texts;
    for (const MessageInfo &m : m_messages.Boxes())
        if (m.icon == QMessageBox::Critical)
            texts << m.text;
    return texts;
}

TArchDataViewForm *TestArchChart::open(const QString &vdevid, int recType, const QDate &day0,
                                       const QDate &day1)
{
    return OpenArchiveViewer(vdevid, recType, day0, day1);
}

void TestArchChart::chartShowsTheTable_data()
{
    QTest::addColumn<int>("recType");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("points"); // per line: V, V (инт.), Ош.
    QTest::newRow("daily, a value missing")
        << 2 << QDate(2024, 8, 1) << QDate(2024, 8, 22) << 22 << QList<int>{22, 22, 21};
    QTest::newRow("a week") << 2 << QDate(2024, 8, 10) << QDate(2024, 8, 16) << 7
                            << QList<int>{7, 7, 7};
    QTest::newRow("hourly day") << 1 << QDate(2024, 8, 3) << QDate(2024, 8, 3) << 24
                                << QList<int>{24, 24, 24};
    QTest::newRow("no records") << 2 << QDate(2025, 1, 1) << QDate(2025, 1, 5) << 0
                                << QList<int>{0, 0, 0};
}

void TestArchChart::chartShowsTheTable()
{
    QFETCH(int, recType);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(int, rows);
    QFETCH(QList<int>, points);
    TArchDataViewForm *v = open(QStringLiteral("V1"), recType, start, end);
    QVERIFY(v);
    QCOMPARE(v->qryArchData->RecordCount(), rows);
    TArchChart *chart = v->chrtArchData;
    QCOMPARE(v->pcArchData->indexOf(v->tsArchChart), 1);
    // a line per parameter column of the table
    QCOMPARE(chart->Series().size(), v->dbgrdArchData->ColumnCount() - 2);
    QStringList names;
    QList<int> counts;
    for (QLineSeries *s : chart->Series()) {
        names << s->name();
        counts << int(s->count());
    }
    QCOMPARE(names, (QStringList{"V", "V (инт.)", "Ош."}));
    QCOMPARE(counts, points);
    // the points are the table's values at the records' times
    const int dt = v->qryArchData->FieldIndex(QStringLiteral("dt"));
    const int value = v->qryArchData->FieldIndex(QStringLiteral("v"));
    for (int r = 0; r < rows; ++r) {
        const QPointF p = chart->Series().first()->at(r);
        QCOMPARE(p.x(), TArchChart::AxisTime(v->qryArchData->Value(r, dt)));
        QCOMPARE(p.y(), v->qryArchData->Value(r, value).toDouble());
    }
    // the integrated values go by the axis at the right
    QVERIFY(chart->Series()[1]->attachedAxes().contains(chart->IntegratedAxis()));
    QVERIFY(chart->Series()[0]->attachedAxes().contains(chart->ValueAxis()));
    // the time axis spans the period
    const QDateTime last(end, QTime(recType == 1 ? 23 : 0, 0));
    QVERIFY(chart->TimeAxis()->min() < start.startOfDay());
    QVERIFY(chart->TimeAxis()->max() > last);
    QVERIFY(chart->TimeAxis()->max() <= last.addDays(1));
    QCOMPARE(chart->lblChartValues->text().startsWith(QStringLiteral("Нет записей")), rows == 0);
}

void TestArchChart::pointerAndDoubleClick_data()
{
    QTest::addColumn<int>("recType");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<int>("row");        // the record pointed at
    QTest::addColumn<QString>("values"); // the value line then
    QTest::addColumn<int>("opened");     // viewers afterwards
    QTest::addColumn<int>("hours");      // records of the hourly viewer opened
    QTest::newRow("a day opens its hours")
        << 2 << QDate(2024, 8, 1) << QDate(2024, 8, 22) << 2
        << "03/08/2024 00:00:00:   V = 0.375000;   V (инт.) = 1003.000000;   Ош. = 0.000000" << 2
        << 24;
    QTest::newRow("a day without a value nor hours")
        << 2 << QDate(2024, 8, 1) << QDate(2024, 8, 22) << 4
        << "05/08/2024 00:00:00:   V = 0.625000;   V (инт.) = 1005.000000;   Ош. = -" << 2 << 0;
    QTest::newRow("an hour opens nothing")
        << 1 << QDate(2024, 8, 3) << QDate(2024, 8, 3) << 7
        << "03/08/2024 07:00:00:   V = 7.000000;   V (инт.) = 5.000000;   Ош. = 1.000000" << 1
        << 0;
}

void TestArchChart::pointerAndDoubleClick()
{
    QFETCH(int, recType);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(int, row);
    QFETCH(QString, values);
    QFETCH(int, opened);
    QFETCH(int, hours);
    TArchDataViewForm *v = open(QStringLiteral("V1"), recType, start, end);
    QVERIFY(v);
    v->pcArchData->setCurrentWidget(v->tsArchChart);
    QVERIFY(QTest::qWaitForWindowExposed(v));
    TArchChart *chart = v->chrtArchData;
    QChartView *view = chart->chvArchData;
    QTRY_VERIFY(chart->Chart()->plotArea().width() > 100);
    QLineSeries *line = chart->Series().first();
    const QPointF scene = chart->Chart()->mapToScene(chart->Chart()->mapToPosition(
        QPointF(line->at(row).x(), chart->ValueAxis()->min()), line));
    // a little above the time axis, off the record's time by less than half
    // an interval
    const QPoint at = view->mapFromScene(scene) + QPoint(2, -5);
    QCOMPARE(chart->RecordAtPoint(at), row);
    sendMouse(view->viewport(), QEvent::MouseMove, at);
    QCOMPARE(chart->lblChartValues->text(), values);

    const bool zoomed = chart->Chart()->isZoomed();
    sendMouse(view->viewport(), QEvent::MouseButtonDblClick, at);
    sendMouse(view->viewport(), QEvent::MouseButtonRelease, at);
    QCOMPARE(chart->Chart()->isZoomed(), zoomed); // a double-click is no frame
    QCOMPARE(v->qryArchData->RecNo(), row);       // the table follows
    QCOMPARE(ArchiveViewers().size(), opened);
    if (opened == 2) {
        TArchDataViewForm *hourly =
            ArchiveViewers().first() == v ? ArchiveViewers().last() : ArchiveViewers().first();
        const QDate day = start.addDays(row);
        QCOMPARE(hourly->RecType().toInt(), 1);
        QCOMPARE(hourly->StartDate(), day);
        QCOMPARE(hourly->EndDate(), day);
        QCOMPARE(int(hourly->chrtArchData->Series().first()->count()), hours);
    }
}

void TestArchChart::saveCsv_data()
{
    QTest::addColumn<QString>("vdevid");
    QTest::addColumn<int>("recType");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("target"); // the file chosen: new, existing, nofolder, cancel
    QTest::addColumn<QString>("error");  // the start of the error box's message
    QTest::newRow("daily records") << "V1" << 2 << QDate(2024, 8, 1) << "new" << QString();
    QTest::newRow("hourly over a file")
        << "V1" << 1 << QDate(2024, 8, 3) << "existing" << QString();
    QTest::newRow("cancelled") << "V1" << 2 << QDate(2024, 8, 1) << "cancel" << QString();
    QTest::newRow("missing folder") << "V1" << 2 << QDate(2024, 8, 1) << "nofolder"
                                    << "Не удалось создать файл";
    QTest::newRow("a title with a semicolon")
        << "VS" << 2 << QDate(2024, 8, 1) << "existing" << QString();
}

void TestArchChart::saveCsv()
{
    QFETCH(QString, vdevid);
    QFETCH(int, recType);
    QFETCH(QDate, day);
    QFETCH(QString, target);
    QFETCH(QString, error);
    const QString path = m_dir.filePath(target == QLatin1String("nofolder")
                                            ? QStringLiteral("nosuch/archive.csv")
                                            : QString(QTest::currentDataTag()) + ".csv");
    const QByteArray before = "earlier content\r\n";
    QFile::remove(path);
    if (target == QLatin1String("existing"))
        QVERIFY(WriteFile(path, before));
    m_chosen = target == QLatin1String("cancel") ? QString() : path;
    TArchDataViewForm *v = open(vdevid, recType, day, recType == 2 ? day.addDays(9) : day);
    QVERIFY(v);
    QVERIFY(v->btnSaveCSV->isEnabled());
    v->btnSaveCSV->click();
    QCOMPARE(m_dialogs.size(), 1);
    QVERIFY(m_dialogs[0].save);
    QCOMPARE(m_dialogs[0].defaultSuffix, QStringLiteral("csv"));

    if (!error.isEmpty()) {
        QCOMPARE(errors().size(), 1);
        QVERIFY2(errors()[0].contains(error), qPrintable(errors()[0]));
        // nothing written over what was there
        if (target == QLatin1String("existing"))
            QCOMPARE(ReadFile(path), before);
        else
            QVERIFY(!QFile::exists(path));
        return;
    }
    QCOMPARE(errors(), QStringList());
    if (target == QLatin1String("cancel")) {
        QVERIFY(!QFile::exists(path));
        return;
    }
    const QByteArray bytes = ReadFile(path);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(bytes.mid(3));
    QVERIFY(text.endsWith(QStringLiteral("\r\n")));
    QCOMPARE(text.count(QStringLiteral("\r\n")), text.count(QLatin1Char('\n')));
    QString malformed;
    const QList<QStringList> read = ReadDelimited(text, QLatin1Char(';'), &malformed);
    QCOMPARE(malformed, QString());
    QCOMPARE(read.size(), v->qryArchData->RecordCount() + 1);
    QCOMPARE(read, tableCells(v));
    const bool semicolon = vdevid == QLatin1String("VS");
    const QStringList titles = semicolon
        ? QStringList{"Дата, время", "Время считывания", "V;1"}
        : QStringList{"Дата, время", "Время считывания", "V", "V (инт.)", "Ош."};
    QCOMPARE(read[0], titles);
    if (semicolon) // quoted, and so read back whole
        QVERIFY(text.startsWith(QStringLiteral("Дата, время;Время считывания;\"V;1\"\r\n")));
    else if (recType == 2)
        QCOMPARE(read[5],
                 (QStringList{"05/08/2024 00:00:00", "05/08/2024 00:05:00", "0.625000",
                              "1005.000000", ""}));
    else
        QCOMPARE(read[8],
                 (QStringList{"03/08/2024 07:00:00", "03/08/2024 07:00:00", "7.000000", "5.000000",
                              "1.000000"}));
    // no temporary file is left beside it
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(QStringLiteral(".csv.")),
             QStringList());
}

QTEST_MAIN(TestArchChart)
#include "test_archchart.moc"
