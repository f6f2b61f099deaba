// The main window as the shell of the domains: its named pages, the menus as
// the domains fill them, the groups of items, the popups opened on grids and
// the windows made at start-up in their order.
#include "common/appfixture.h"
#include "common/operator.h"
#include "app/appconfig.h"
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/errors.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/shell.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <list>
#include <memory>

class TestShell : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pagesByName_data();
    void pagesByName();
    void menusOfTheProgram_data();
    void menusOfTheProgram();
    void groupsOfItems_data();
    void groupsOfItems();
    void itemCommandsAreGuarded();
    void gridPopupByName();
    void startupWindowsInOrder();
    void startupOrderMismatch_data();
    void startupOrderMismatch();
    void addedPageIsADataPage();

private:
    // The menu's items by object name, "-" for a separator, "*" before the
    // default item.
    QStringList layout(const char *menu) const;

    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<TMainForm> m_form;
    const QList<MessageInfo> &boxes() const { return m_messages.Boxes(); }
    TMessageCapture m_messages;
};

void TestShell::init()
{
    m_messages.Clear();
    m_app = std::make_unique<TAppFixture>();
    m_form = std::make_unique<TMainForm>();
}

void TestShell::cleanup()
{
    m_form.reset();
    m_app.reset();
}

QStringList TestShell::layout(const char *menu) const
{
    QStringList items;
    const auto *m = m_form->findChild<QMenu *>(QString::fromLatin1(menu));
    if (!m)
        return {QStringLiteral("no menu")};
    for (const QAction *a : m->actions()) {
        const QString mark = a == m->defaultAction() ? QStringLiteral("*") : QString();
        items << (a->isSeparator() ? QStringLiteral("-") : mark + a->objectName());
    }
    return items;
}

void TestShell::pagesByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index"); // -1: no such data page
    const char *pages[] = {"tsDevices", "tsDevTypes", "tsHeatWater", "tsElectr",
                           "tsOrgs",    "tsCTP",      "tsAddresses"};
    for (int i = 0; i < 7; ++i)
        QTest::newRow(pages[i]) << QString::fromLatin1(pages[i]) << i + 1;
    QTest::newRow("connection page") << "tsDatabase" << -1;
    QTest::newRow("unknown") << "tsMeters" << -1;
    QTest::newRow("case differs") << "tsdevices" << -1;
}

void TestShell::pagesByName()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    const QByteArray latin = name.toLatin1();
    QCOMPARE(Shell(), static_cast<IShell *>(m_form.get()));
    if (index < 0) {
        QVERIFY_THROWS_EXCEPTION(EError, m_form->Page(latin.constData()));
        return;
    }
    QWidget *page = m_form->Page(latin.constData());
    QCOMPARE(page->objectName(), name);
    QCOMPARE(m_form->pcMain->indexOf(page), index);
}

void TestShell::menusOfTheProgram_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("Файл") << "mnuFile" << QStringList{"mnuFlatRegister", "-", "mnuFileExit"}
                          << QStringList{"Групповая регистрация объектов поквартирного учета...",
                                         "", "Вы&ход"};
    QTest::newRow("Справочники") << "mnuRef"
                                 << QStringList{"mnuRefAdmDistricts", "mnuRefDistricts",
                                                "mnuRefAreas", "-", "mnuRefContractsW"}
                                 << QStringList{"Административные округа", "Городские районы",
                                                "Населенные пункты", "",
                                                "Договоры &водоснабжения"};
    QTest::newRow("Помощь") << "mnuHelp" << QStringList{"mnuHelpAbout"}
                            << QStringList{"&О программе..."};
    QTest::newRow("channels") << "mnuVDevices" << QStringList{"*mnuVDevicesViewArchData"}
                              << QStringList{"Просмотр архивных данных..."};
    QTest::newRow("heat and water channels")
        << "mnuHWUnitDev"
        << QStringList{"*mnuHWUnitDevViewWaterSupply", "-", "mnuHWUnitDevViewArchData"}
        << QStringList{"Водоснабжение...", "", "Просмотр архивных данных..."};
}

void TestShell::menusOfTheProgram()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    QFETCH(QStringList, texts);
    CreateStartupWindows(m_form.get());
    const QByteArray name = menu.toLatin1();
    QCOMPARE(layout(name.constData()), items);
    QStringList shown;
    for (const QAction *a : m_form->findChild<QMenu *>(menu)->actions())
        shown << a->text();
    QCOMPARE(shown, texts);
}

void TestShell::groupsOfItems_data()
{
    QTest::addColumn<QString>("menu");
    // the groups, "|" between them, their items' names separated by blanks
    QTest::addColumn<QString>("groups");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("one group above the shell's items")
        << "mnuFile"
        << "a b" << QStringList{"a", "b", "-", "mnuFileExit"};
    QTest::newRow("two groups above the shell's items")
        << "mnuFile"
        << "a|b c" << QStringList{"a", "-", "b", "c", "-", "mnuFileExit"};
    QTest::newRow("three groups in a menu of the domains only")
        << "mnuRef"
        << "a b|c|d" << QStringList{"a", "b", "-", "c", "-", "d"};
    QTest::newRow("above the about item") << "mnuHelp"
                                          << "a" << QStringList{"a", "-", "mnuHelpAbout"};
    QTest::newRow("a popup's first item is its default item")
        << "mnuVDevices"
        << "a b|c" << QStringList{"*a", "b", "-", "c"};
}

void TestShell::groupsOfItems()
{
    QFETCH(QString, menu);
    QFETCH(QString, groups);
    QFETCH(QStringList, items);
    const QByteArray menuName = menu.toLatin1();
    std::list<QByteArray> names; // the items' names live as long as the test
    for (const QString &group : groups.split(QLatin1Char('|'))) {
        QList<TShellItem> added;
        for (const QString &item : group.split(QLatin1Char(' '))) {
            names.push_back(item.toLatin1());
            added.push_back({names.back().constData(), item, [] {
                             }});
        }
        m_form->AddMenuItems(menuName.constData(), added);
    }
    QCOMPARE(layout(menuName.constData()), items);
    QVERIFY_THROWS_EXCEPTION(
        EError, m_form->AddMenuItems("mnuNone", {{"mnuNothing", QStringLiteral("Ничего"), [] {
                                                  }}}));
}

void TestShell::itemCommandsAreGuarded()
{
    int runs = 0;
    m_form->AddMenuItems("mnuRef",
                         {{"mnuGood", QStringLiteral("Хорошо"),
                           [&runs] {
                               ++runs;
                           }},
                          {"mnuBad", QStringLiteral("Плохо"), [] {
                               throw EError(QStringLiteral("сбой команды"));
                           }}});
    m_form->findChild<QAction *>(QStringLiteral("mnuGood"))->trigger();
    QCOMPARE(runs, 1);
    QCOMPARE(boxes().size(), 0);
    // the error reaches the error box, never Qt's frames
    m_form->findChild<QAction *>(QStringLiteral("mnuBad"))->trigger();
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(boxes()[0].text, QStringLiteral("Произошла ошибка:\n\nсбой команды"));
}

void TestShell::gridPopupByName()
{
    TDBGrid grid(DM->dsHWUnitDev);
    grid.resize(300, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    m_form->AddMenuItems("mnuHWUnitDev", {{"mnuItem", QStringLiteral("Пункт"), [] {
                                           }}});
    SetGridPopup(*m_form, &grid, "mnuHWUnitDev");
    QWidget *opened = nullptr;
    QTimer::singleShot(0, this, [&opened] {
        opened = QApplication::activePopupWidget();
        if (opened)
            opened->close();
    });
    emit grid.PopupMenuRequested(grid.mapToGlobal(QPoint(5, 5)));
    QVERIFY(opened);
    QCOMPARE(opened->objectName(), QStringLiteral("mnuHWUnitDev"));
    QCOMPARE(m_form->PopupGrid(), &grid);
    QCOMPARE(boxes().size(), 0);

    // a popup the main window does not have: the error box, no menu
    TDBGrid other(DM->dsHWUnitDev);
    SetGridPopup(*m_form, &other, "mnuNone");
    emit other.PopupMenuRequested(QPoint(5, 5));
    QCOMPARE(boxes().size(), 1);
    QVERIFY2(boxes()[0].text.contains(QStringLiteral("mnuNone")), qPrintable(boxes()[0].text));
    QCOMPARE(m_form->PopupGrid(), &grid);
}

void TestShell::startupWindowsInOrder()
{
    QStringList made;
    QPointer<QWidget> own, owned;
    m_form->AddStartupWindow("SecondForm", [&](QWidget *main) -> QWidget * {
        made << QStringLiteral("SecondForm");
        owned = new QWidget(main, Qt::Dialog);
        return owned;
    });
    m_form->AddStartupWindow("FirstForm", [&](QWidget *) -> QWidget * {
        made << QStringLiteral("FirstForm");
        own = new QWidget;
        return own;
    });
    m_form->AddStartupWindow("ThirdForm", [&](QWidget *) -> QWidget * {
        made << QStringLiteral("ThirdForm");
        return nullptr;
    });
    m_form->CreateWindowsInOrder({"FirstForm", "SecondForm", "ThirdForm"});
    QCOMPARE(made, (QStringList{"FirstForm", "SecondForm", "ThirdForm"}));
    QCOMPARE(owned->parentWidget(), m_form.get());
    QVERIFY(!own->parentWidget());
    // each window once: the names are used up
    m_form->CreateWindowsInOrder({});
    QCOMPARE(made.size(), 3);
    // the window of its own goes with the main window
    m_form.reset();
    QVERIFY(own.isNull());
    QVERIFY(owned.isNull());
    QCOMPARE(Shell(), nullptr);
}

void TestShell::startupOrderMismatch_data()
{
    QTest::addColumn<QStringList>("named");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QString>("missing");
    QTest::newRow("a window without a place")
        << QStringList{"AForm", "BForm"} << QStringList{"AForm"} << "BForm";
    QTest::newRow("a place without a window")
        << QStringList{"AForm"} << QStringList{"AForm", "BForm"} << "BForm";
    QTest::newRow("a window named twice")
        << QStringList{"AForm", "AForm"} << QStringList{"AForm"} << "AForm";
}

void TestShell::startupOrderMismatch()
{
    QFETCH(QStringList, named);
    QFETCH(QStringList, order);
    QFETCH(QString, missing);
    std::list<QByteArray> names;
    int made = 0;
    for (const QString &n : named) {
        names.push_back(n.toLatin1());
        m_form->AddStartupWindow(names.back().constData(), [&made](QWidget *) -> QWidget * {
            ++made;
            return nullptr;
        });
    }
    QList<const char *> places;
    for (const QString &n : order) {
        names.push_back(n.toLatin1());
        places << names.back().constData();
    }
    try {
        m_form->CreateWindowsInOrder(places);
        QFAIL("no error");
    } catch (const EError &e) {
        QVERIFY2(e.message().contains(missing), qPrintable(e.message()));
    }
    // nothing is made before the lists agree
    QCOMPARE(made, 0);
}

void TestShell::addedPageIsADataPage()
{
    // the page selected when the program closed last is selected again
    Config->ActivePageIndex = 8;
    QWidget *page = m_form->AddPage("tsMeters", QStringLiteral("Счетчики"));
    QCOMPARE(m_form->pcMain->indexOf(page), 8);
    QCOMPARE(m_form->pcMain->tabText(8), QStringLiteral("Счетчики"));
    QCOMPARE(m_form->pcMain->currentWidget(), page);
    QCOMPARE(m_form->Page("tsMeters"), page);
    QCOMPARE(m_form->DataPages().size(), 8);
    m_form->DisableDataPages();
    QVERIFY(!page->isEnabled());
    // a page added while the pages are disabled starts disabled
    QVERIFY(!m_form->AddPage("tsMore", QStringLiteral("Еще"))->isEnabled());
    m_form->EnableDataPages();
    QVERIFY(page->isEnabled());
    QVERIFY(m_form->Page("tsMore")->isEnabled());
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
