// The main window as the shell of the domains: its named pages, the groups
// of items the domains add to its menus, the popups opened on their grids and
// the windows they make at start-up.
#include "app/mainfrm.h"

#include "app/appconfig.h"
#include "base/errors.h"
#include "base/guard.h"

#include <QAction>
#include <QMenu>
#include <QTabWidget>

#include <algorithm>

QWidget *TMainForm::Page(const char *name)
{
    const QString wanted = QString::fromLatin1(name);
    for (QWidget *page : m_dataPages)
        if (page->objectName() == wanted)
            return page;
    throw EError(QStringLiteral("Главное окно не имеет страницы %1").arg(wanted));
}

QWidget *TMainForm::AddPage(const char *name, const QString &caption)
{
    auto *page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    page->setEnabled(tsDevices->isEnabled());
    pcMain->addTab(page, caption);
    m_dataPages << page;
    // the page that was selected when the program closed last
    if (Config && Config->ActivePageIndex == pcMain->indexOf(page))
        pcMain->setCurrentWidget(page);
    return page;
}

QMenu *TMainForm::namedMenu(const char *name) const
{
    if (auto *menu = findChild<QMenu *>(QString::fromLatin1(name)))
        return menu;
    throw EError(QStringLiteral("Главное окно не имеет меню %1").arg(QString::fromLatin1(name)));
}

void TMainForm::AddMenuItems(const char *menuName, const QList<TShellItem> &items)
{
    QMenu *menu = namedMenu(menuName);
    QAction *end = m_groupsEnd.value(menu);
    const QList<QAction *> before = menu->actions();
    const bool firstGroup = before.isEmpty() || before.constFirst() == end;
    if (!firstGroup)
        menu->insertSeparator(end);
    for (const TShellItem &item : items) {
        auto *action = new QAction(item.text, menu);
        action->setObjectName(QString::fromLatin1(item.name));
        connect(action, &QAction::triggered, this, [command = item.command] { Guarded(command); });
        menu->insertAction(end, action);
        // the first item of a popup is its default item
        if (menu->parent() == this && !menu->defaultAction())
            menu->setDefaultAction(action);
    }
    // a separator between the domains' items and the shell's own
    if (firstGroup && end)
        m_groupsEnd.insert(menu, menu->insertSeparator(end));
}

void TMainForm::PopupGridMenu(TDBGrid *grid, const char *popup, const QPoint &globalPos)
{
    PopupGridMenu(grid, namedMenu(popup), globalPos);
}

void TMainForm::AddStartupWindow(const char *name,
                                 std::function<QWidget *(QWidget *mainWindow)> create)
{
    m_startupWindows.push_back({QByteArray(name), std::move(create)});
}

void TMainForm::DestroyWithMainWindow(QWidget *window)
{
    connect(this, &QObject::destroyed, window, [window] { delete window; });
}

void TMainForm::CreateWindowsInOrder(const QList<const char *> &order)
{
    std::vector<TStartupWindow> named;
    named.swap(m_startupWindows);
    std::vector<std::function<QWidget *(QWidget *)>> ordered;
    for (const char *name : order) {
        const auto it = std::find_if(named.begin(), named.end(),
                                     [name](const TStartupWindow &w) { return w.name == name; });
        if (it == named.end())
            throw EError(QStringLiteral("Окно %1 порядка запуска не названо ни одним разделом")
                             .arg(QString::fromLatin1(name)));
        ordered.push_back(std::move(it->create));
        named.erase(it);
    }
    if (!named.empty())
        throw EError(QStringLiteral("Окно %1 не имеет места в порядке запуска")
                         .arg(QString::fromLatin1(named.front().name)));
    for (const auto &create : ordered) {
        QWidget *window = create(this);
        // a window of its own goes with the main window
        if (window && !window->parentWidget())
            DestroyWithMainWindow(window);
    }
}
