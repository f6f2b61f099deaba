// The archive data viewer against the real server: opening from the channel
// popups, what a viewer shows first, the size check, refreshing, the hourly
// drill-down, and archive tables that are empty, odd or incomplete.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "archive/archdataviewfrm.h"
#include "archive/archvaluedelegate.h"
#include "base/utils.h"
#include "common/appfixture.h"
#include "common/testdb.h"
#include "data/dataset.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"

#include <QAccessible>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>

#include <ctime>

namespace {
const QDate Day0(2023, 1, 1); // daily records of V1 from here, 600 days
const QString NoArchive = QStringLiteral("Поддержка данного типа приборов в настоящий момент "
                                         "отсутствует.\nЗа дополнительной информацией "
                                         "обращайтесь к разработчику системы.");

// The text a cell of the archive grid shows.
QString cell(TDBGrid *grid, int row, int column)
{
    auto *cells = qobject_cast<TArchValueDelegate *>(grid->itemDelegateForColumn(column));
    return cells ? cells->CellText(grid->model()->index(row, column)) : QStringLiteral("?");
}

// Puts the mouse pointer on the current row of a grid.
void pointAtCurrentRow(TDBGrid *grid)
{
    const QModelIndex at = grid->model()->index(grid->DataSet()->RecNo(), 0);
    QCursor::setPos(grid->viewport()->mapToGlobal(grid->visualRect(at).center()));
}

QList<TArchDataViewForm *> viewers()
{
    QList<TArchDataViewForm *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *v = qobject_cast<TArchDataViewForm *>(w))
            found << v;
    return found;
}
} // namespace

class TestArchive : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void popupOpensViewer_data();
    void popupOpensViewer();
    void sizeCheck_data();
    void sizeCheck();
    void refreshByF5();
    void noArchiveTable_data();
    void noArchiveTable();
    void hourlyDrillDown();
    void emptyArchive();
    void oddArchiveTables_data();
    void oddArchiveTables();
    void periodOnSkippedMidnight_data();
    void periodOnSkippedMidnight();

private:
    TArchDataViewForm *open(const QString &vdevid);
    void setPeriod(TArchDataViewForm *v, int recType, const QDate &start, const QDate &end);
    QStringList boxes(QMessageBox::Icon icon) const;

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<TMainForm> m_form;
    QList<MessageInfo> m_boxes; // every box shown, answered with OK
};

void TestArchive::initTestCase()
{
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m;
        return QMessageBox::Ok;
    });
    if (TestServer::Available())
        m_db = std::make_unique<TTestDatabase>(QStringLiteral("archive"));
}

void TestArchive::init()
{
    REQUIRE_TEST_SERVER();
    m_boxes.clear();
    m_db->Exec(QString::fromUtf8(
        "TRUNCATE devcategories, devtypes, devices, vdevices, attrval, devparams, rectypes,"
        " arch_tarmin, arch_tsrv CASCADE;"
        "CREATE TABLE IF NOT EXISTS \"Arch Odd\" (devid varchar(50), rectypeid smallint,"
        " dt timestamp, ts timestamp, v double precision);"
        "DELETE FROM \"Arch Odd\";"
        "INSERT INTO rectypes VALUES (1, 'Часовые'), (2, 'Суточные'), (4, 'Интервальные');"
        "INSERT INTO devcategories VALUES ('TARMIN', 'arch_tarmin'), ('NONE', NULL),"
        " ('ODD', 'Arch Odd'), ('BAD', 'arch_tarmin; DROP TABLE devices'), ('TSRV', 'arch_tsrv');"
        "INSERT INTO devtypes VALUES (1, 1, 'TARMIN', 'Тармин', 72), (2, 1, 'NONE', 'ВКТ', 48),"
        " (3, 1, 'ODD', 'Странный', 12), (4, 1, 'BAD', 'Чужой', 12), (5, 1, 'TSRV', 'ТСРВ', 48);"
        "INSERT INTO devices (devid, devtypeid, sernum) VALUES ('D1', 1, '1201'), ('D2', 2, '7'),"
        " ('D3', 3, NULL), ('D4', 4, '4'), ('D5', 5, '5');"
        "INSERT INTO vdevices VALUES ('V1', 'D1'), ('V2', 'D1'), ('V3', 'D1'), ('VN', 'D2'),"
        " ('VO', 'D3'), ('VB', 'D4'), ('VT', 'D5');"
        "INSERT INTO attrdef VALUES ('VDIX', 'Индекс ВП', ''), ('CTYP', 'Схема', '')"
        " ON CONFLICT DO NOTHING;"
        "INSERT INTO attrval VALUES ('V1', 'VDIX', '0'), ('V1', 'CTYP', 'ГВС');"
        "INSERT INTO devparams (paramid, paramname, devcatid, fname, finame) VALUES"
        " (1, 'V', 'TARMIN', 'v', 'vi'), (2, 'Ош.', 'TARMIN', 'err', NULL),"
        " (3, 'V', 'ODD', 'v', NULL), (4, 'T1', 'TSRV', 't1', NULL), (5, 'ZZ', 'TSRV', 'zz', "
        "NULL);"
        // V1: 600 days, the hours of 2024-07-25 .. 2024-08-22, type 4 on every second day
        "INSERT INTO arch_tarmin (devid, rectypeid, dt, ts, v, vi)"
        " SELECT 'V1', 2, d, d + interval '5 min', 1.5, 100 + extract(doy FROM d)"
        " FROM generate_series(timestamp '2023-01-01', timestamp '2024-08-22', '1 day') d"
        " UNION ALL SELECT 'V1', 1, h, h, 0.0625, 7 FROM generate_series("
        " timestamp '2024-07-25', timestamp '2024-08-22 23:00', '1 hour') h"
        " UNION ALL SELECT 'V1', 4, d, d, 1, 1"
        " FROM generate_series(timestamp '2023-01-01', timestamp '2026-01-01', '2 days') d"
        // V2: ten days only
        " UNION ALL SELECT 'V2', 2, d, d, 2, 2"
        " FROM generate_series(timestamp '2024-03-01', timestamp '2024-03-10', '1 day') d;"
        "INSERT INTO \"Arch Odd\" SELECT 'VO', 2, d, d, 3 FROM generate_series("
        "timestamp '2024-05-01', timestamp '2024-05-03', '1 day') d;"
        "INSERT INTO arch_tsrv (devid, rectypeid, dt, t1) VALUES ('VT', 2, '2024-02-01', 70),"
        " ('VT', 2, '2024-02-02', 71);"));
    m_app = std::make_unique<TAppFixture>(m_db->Name());
    m_form = std::make_unique<TMainForm>();
    MainForm = m_form.get();
    CreateStartupWindows(m_form.get());
    DM->Connect();
}

void TestArchive::cleanup()
{
    TArchDataViewForm::SetToday(QDate());
    m_form.reset(); // the viewers go with it
    MainForm = nullptr;
    m_app.reset();
}

TArchDataViewForm *TestArchive::open(const QString &vdevid)
{
    TArchDataViewForm *v = OpenArchiveViewer(vdevid);
    m_boxes.clear();
    return v;
}

void TestArchive::setPeriod(TArchDataViewForm *v, int recType, const QDate &start,
                            const QDate &end)
{
    v->cbRecType->setCurrentIndex(v->cbRecType->findData(recType));
    v->dtpStartDate->setDate(start);
    v->dtpEndDate->setDate(end);
}

QStringList TestArchive::boxes(QMessageBox::Icon icon) const
{
    QStringList texts;
    for (const MessageInfo &m : m_boxes)
        if (m.icon == icon)
            texts << m.title + QLatin1Char('|') + m.text;
    return texts;
}

void TestArchive::popupOpensViewer_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("item");
    QTest::newRow("channels") << "mnuVDevices"
                              << "mnuVDevicesViewArchData";
    QTest::newRow("heat and water") << "mnuHWUnitDev"
                                    << "mnuHWUnitDevViewArchData";
}

void TestArchive::popupOpensViewer()
{
    QFETCH(QString, menu);
    QFETCH(QString, item);
    // a channel grid as a tab has it: the channels of device D1, V1 current
    QVERIFY(DM->qryDevices->Locate(QStringLiteral("devid"), QStringLiteral("D1")));
    TDBGrid grid(DM->dsVDevices);
    grid.resize(400, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QVERIFY(DM->qryVDevices->Locate(QStringLiteral("vdevid"), QStringLiteral("V1")));
    pointAtCurrentRow(&grid);
    auto *popup = m_form->findChild<QMenu *>(menu);
    auto *action = m_form->findChild<QAction *>(item);
    QVERIFY(popup && action);
    QTimer::singleShot(0, popup, [popup, action] {
        action->trigger();
        popup->close();
    });
    m_form->PopupGridMenu(&grid, popup, grid.mapToGlobal(QPoint(5, 5)));

    QCOMPARE(viewers().size(), 1);
    TArchDataViewForm *v = viewers().first();
    QCOMPARE(v->windowTitle(), QStringLiteral("'Тармин', № 1201, ВП: 0, схема: ГВС"));
    QCOMPARE(v->cbRecType->currentText(), QStringLiteral("Суточные"));
    QCOMPARE(v->dtpStartDate->date(), QDate(2024, 8, 1));
    QCOMPARE(v->dtpEndDate->date(), QDate(2024, 8, 22));
    QCOMPARE(v->qryArchData->RecordCount(), 22);
    const QStringList titles = {"Дата, время", "Время считывания", "V", "V (инт.)", "Ош."};
    const QList<int> widths = {110, 110, 65, 85, 65};
    for (int c = 0; c < titles.size(); ++c) {
        QCOMPARE(v->dbgrdArchData->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        QVERIFY(v->dbgrdArchData->columnWidth(c) >= widths[c]); // wider for a wider font
    }
    const QFontMetrics font = v->dbgrdArchData->fontMetrics();
    QVERIFY(v->dbgrdArchData->columnWidth(0) > font.horizontalAdvance("22/08/2024 00:00:00"));
    QCOMPARE(cell(v->dbgrdArchData, 0, 0), QStringLiteral("01/08/2024 00:00:00"));
    QCOMPARE(cell(v->dbgrdArchData, 0, 1), QStringLiteral("01/08/2024 00:05:00"));
    QCOMPARE(cell(v->dbgrdArchData, 0, 2), QStringLiteral("1.500000"));
    QCOMPARE(v->lblRecInfo->text(),
             QStringLiteral("Текущая запись: 01/08/2024 00:00:00. Всего записей: 22"));
    // a screen reader announces a window with the caption, and a named list
    QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(v);
    QVERIFY(reader);
    QCOMPARE(reader->role(), QAccessible::Window);
    QCOMPARE(reader->text(QAccessible::Name), v->windowTitle());
    QCOMPARE(v->dbgrdArchData->accessibleName(), QStringLiteral("Архивные данные прибора"));
}

void TestArchive::sizeCheck_data()
{
    QTest::addColumn<QString>("vdevid");
    QTest::addColumn<int>("recType");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QString>("warning"); // empty: the check passes
    QTest::addColumn<int>("rows");        // shown afterwards
    const auto tooMany = [](int n) {
        return QStringLiteral("В выбранный вами интервал времени попадает %1 записей.\n"
                              "Допустима выборка не более 500 записей сразу.\n\n"
                              "Пожалуйста, скорректируйте интервал выборки.")
            .arg(n);
    };
    QTest::newRow("500 days") << "V1" << 2 << Day0 << Day0.addDays(499) << QString() << 500;
    QTest::newRow("501 days") << "V1" << 2 << Day0 << Day0.addDays(500) << tooMany(501) << 22;
    QTest::newRow("an hourly day")
        << "V1" << 1 << QDate(2024, 8, 5) << QDate(2024, 8, 5) << QString() << 24;
    QTest::newRow("21 hourly days")
        << "V1" << 1 << QDate(2024, 8, 1) << QDate(2024, 8, 21) << tooMany(504) << 22;
    QTest::newRow("wide period, short archive")
        << "V2" << 2 << QDate(2000, 1, 1) << QDate(2030, 12, 31) << QString() << 10;
    QTest::newRow("end before start")
        << "V1" << 2 << QDate(2024, 8, 10) << QDate(2024, 8, 9)
        << QStringLiteral("Конечная дата не может быть меньше начальной!") << 22;
    // other record types: the rows are counted, 500 of them in 999 days
    QTest::newRow("500 counted") << "V1" << 4 << Day0 << Day0.addDays(998) << QString() << 500;
    QTest::newRow("501 counted") << "V1" << 4 << Day0 << Day0.addDays(1000) << tooMany(501) << 22;
}

void TestArchive::sizeCheck()
{
    QFETCH(QString, vdevid);
    QFETCH(int, recType);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QString, warning);
    QFETCH(int, rows);
    TArchDataViewForm *v = open(vdevid);
    QVERIFY(v);
    const QDate shownStart = v->StartDate();
    setPeriod(v, recType, start, end);
    v->btnRefresh->click();
    QCOMPARE(boxes(QMessageBox::Warning),
             warning.isEmpty() ? QStringList() : QStringList{"Предупреждение|" + warning});
    QCOMPARE(v->qryArchData->RecordCount(), rows);
    // a refused period leaves the data shown as they were
    QCOMPARE(v->RecType(), QVariant(warning.isEmpty() ? recType : 2));
    QCOMPARE(v->StartDate(), warning.isEmpty() ? start : shownStart);
    QCOMPARE(v->focusWidget(), v->dbgrdArchData);
}

void TestArchive::refreshByF5()
{
    TArchDataViewForm *v = open(QStringLiteral("V1"));
    QVERIFY(v);
    v->dtpStartDate->setDate(QDate(2024, 8, 20));
    QTest::keyClick(v->dbgrdArchData, Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(v->qryArchData->RecordCount(), 22); // not with a modifier key
    QTest::keyClick(v->dtpEndDate, Qt::Key_F5);
    QCOMPARE(v->qryArchData->RecordCount(), 3);
    v->dtpStartDate->setDate(QDate(2024, 8, 21));
    QTest::keyClick(v->dbgrdArchData, Qt::Key_F5);
    QCOMPARE(v->qryArchData->RecordCount(), 2);
}

void TestArchive::noArchiveTable_data()
{
    QTest::addColumn<QString>("vdevid");
    QTest::newRow("category without a table") << "VN";
    QTest::newRow("unknown channel") << "NOPE";
}

void TestArchive::noArchiveTable()
{
    QFETCH(QString, vdevid);
    QVERIFY(!DM->HasArchiveTable(vdevid));
    QVERIFY(!OpenArchiveViewer(vdevid));
    QCOMPARE(boxes(QMessageBox::Warning), QStringList{"Warning|" + NoArchive});
    QCOMPARE(viewers().size(), 0);
}

void TestArchive::hourlyDrillDown()
{
    QPointer<TArchDataViewForm> days = open(QStringLiteral("V1"));
    QVERIFY(days);
    QVERIFY(QTest::qWaitForWindowExposed(days));
    TDBGrid *grid = days->dbgrdArchData;
    days->qryArchData->SetRecNo(4); // 05/08/2024
    pointAtCurrentRow(grid);
    days->PrepareArchDataMenu();
    QVERIFY(days->mnuArchDataViewH->isEnabled());
    days->mnuArchDataViewH->trigger();

    QCOMPARE(viewers().size(), 2);
    QPointer<TArchDataViewForm> hours =
        viewers().first() == days ? viewers().last() : viewers().first();
    QVERIFY(QTest::qWaitForWindowExposed(hours));
    QCOMPARE(hours->RecType(), QVariant(1));
    QCOMPARE(hours->StartDate(), QDate(2024, 8, 5));
    QCOMPARE(hours->EndDate(), QDate(2024, 8, 5));
    QCOMPARE(hours->qryArchData->RecordCount(), 24);
    QCOMPARE(cell(hours->dbgrdArchData, 23, 0), QStringLiteral("05/08/2024 23:00:00"));
    // no drill-down from hours, whatever the list shows
    hours->cbRecType->setCurrentIndex(hours->cbRecType->findData(2));
    pointAtCurrentRow(hours->dbgrdArchData);
    hours->PrepareArchDataMenu();
    QVERIFY(!hours->mnuArchDataViewH->isEnabled());
    // nor on an empty grid of days
    setPeriod(days, 2, QDate(2025, 1, 1), QDate(2025, 1, 31));
    days->btnRefresh->click();
    QCOMPARE(days->qryArchData->RecordCount(), 0);
    QCursor::setPos(grid->viewport()->mapToGlobal(QPoint(10, 5)));
    days->PrepareArchDataMenu();
    QVERIFY(!days->mnuArchDataViewH->isEnabled());

    // each a window of its own, destroyed when closed or with the main window
    for (TArchDataViewForm *v : {days.data(), hours.data()})
        QCOMPARE(v->parentWidget(), nullptr);
    days->btnClose->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(days.isNull());
    QVERIFY(hours && hours->isVisible());
    m_form.reset();
    MainForm = nullptr;
    QVERIFY(hours.isNull());
}

void TestArchive::emptyArchive()
{
    // no records: the month up to today
    TArchDataViewForm::SetToday(QDate(2025, 3, 17));
    TArchDataViewForm *v = open(QStringLiteral("V3"));
    QVERIFY(v);
    QCOMPARE(v->RecType(), QVariant(2));
    QCOMPARE(v->dtpStartDate->date(), QDate(2025, 3, 1));
    QCOMPARE(v->dtpEndDate->date(), QDate(2025, 3, 17));
    QCOMPARE(v->qryArchData->RecordCount(), 0);
    QCOMPARE(v->lblRecInfo->text(), QStringLiteral("Всего записей: 0"));
    QCOMPARE(v->lblMaxDT->text(), QString());
    QCOMPARE(v->windowTitle(), QStringLiteral("'Тармин', № 1201, ВП: <?>, схема: <?>"));
}

void TestArchive::oddArchiveTables_data()
{
    QTest::addColumn<QString>("vdevid");
    QTest::addColumn<QString>("error"); // a part of the error box text
    QTest::addColumn<int>("rows");
    QTest::newRow("name to quote") << "VO" << QString() << 3;
    QTest::newRow("name with a statement") << "VB"
                                           << "arch_tarmin; DROP TABLE devices" << 0;
    QTest::newRow("parameter column missing") << "VT"
                                              << "zz" << 2;
}

void TestArchive::oddArchiveTables()
{
    QFETCH(QString, vdevid);
    QFETCH(QString, error);
    QFETCH(int, rows);
    TArchDataViewForm *v = OpenArchiveViewer(vdevid);
    QVERIFY(v);
    const QStringList errors = boxes(QMessageBox::Critical);
    QCOMPARE(errors.size(), error.isEmpty() ? 0 : 1);
    if (!error.isEmpty())
        QVERIFY2(errors[0].contains(error), qPrintable(errors[0]));
    QCOMPARE(v->qryArchData->RecordCount(), rows);
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT count(*) FROM devices")).toInt(), 5);
    // the viewer stays usable
    m_boxes.clear();
    v->btnRefresh->click();
    QCOMPARE(boxes(QMessageBox::Critical).size(), error.isEmpty() ? 0 : 1);
    QCOMPARE(v->qryArchData->RecordCount(), rows);
    QVERIFY(v->isVisible());
}

void TestArchive::periodOnSkippedMidnight_data()
{
    // zones whose clocks went from 23:59:59 straight to 01:00 that day
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("recType");
    QTest::addColumn<int>("rows");
    const QList<std::pair<QByteArray, QDate>> days = {{"America/Sao_Paulo", QDate(2018, 11, 4)},
                                                      {"America/Havana", QDate(2019, 3, 10)},
                                                      {"Asia/Beirut", QDate(2019, 3, 31)}};
    for (const auto &[zone, day] : days) {
        QTest::addRow("%s, daily", zone.constData()) << zone << day << 2 << 1;
        QTest::addRow("%s, hourly", zone.constData()) << zone << day << 1 << 24;
    }
}

void TestArchive::periodOnSkippedMidnight()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDate, day);
    QFETCH(int, recType);
    QFETCH(int, rows);
    const QByteArray oldZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    const auto restore = qScopeGuard([&] {
        if (hadZone)
            qputenv("TZ", oldZone);
        else
            qunsetenv("TZ");
        tzset();
    });
    qputenv("TZ", zone);
    tzset();
    QVERIFY2(day.startOfDay().time() != QTime(0, 0),
             "the installed time zone data do not skip this midnight");
    // the archive holds the day's records from 00:00, as the metering system wrote them
    m_db->Exec(QStringLiteral("INSERT INTO arch_tarmin (devid, rectypeid, dt, ts, v, vi)"
                              " SELECT 'V2', 1, h, h, 1, 1 FROM generate_series(timestamp '%1',"
                              " timestamp '%1 23:00', '1 hour') h"
                              " UNION ALL SELECT 'V2', 2, timestamp '%1', timestamp '%1', 5, 5")
                   .arg(day.toString(Qt::ISODate)));
    TArchDataViewForm *v = open(QStringLiteral("V2"));
    QVERIFY(v);
    setPeriod(v, recType, day, day);
    v->btnRefresh->click();
    QCOMPARE(m_boxes.size(), 0);
    QCOMPARE(v->qryArchData->RecordCount(), rows);
    const QString midnight = day.toString(QStringLiteral("dd/MM/yyyy 00:00:00"));
    QCOMPARE(cell(v->dbgrdArchData, 0, 0), midnight);
    // a date column of an archive table shows its midnight as well
    QCOMPARE(TArchValueDelegate::ValueText(day), midnight);
}

QTEST_MAIN(TestArchive)
#include "test_archive.moc"
