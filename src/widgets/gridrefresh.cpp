#include "widgets/gridrefresh.h"

#include "base/guard.h"
#include "data/dataset.h"
#include "data/datasetrefresh.h"
#include "widgets/dbgrid.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

namespace {

const char *const OwnKey = "ownRefreshKey";

// Refreshes on F5 and remembers the grid that had the focus last.
class TRefreshKey : public QObject
{
public:
    explicit TRefreshKey(QObject *parent) : QObject(parent)
    {
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
            if (TDBGrid *g = gridOf(now))
                m_lastGrid = g;
        });
    }

    static TDBGrid *gridOf(QWidget *w)
    {
        for (; w; w = w->parentWidget())
            if (auto *g = qobject_cast<TDBGrid *>(w))
                return g;
        return nullptr;
    }

    TDBGrid *lastGrid() const { return m_lastGrid; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers held = key->modifiers() & (Qt::ShiftModifier
                                                               | Qt::ControlModifier
                                                               | Qt::AltModifier | Qt::MetaModifier);
        if (key->key() != Qt::Key_F5 || held != Qt::NoModifier || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        for (QWidget *w = widget; w; w = w->parentWidget())
            if (w->property(OwnKey).toBool())
                return false;
        TDBGrid *grid = RefreshTarget(widget);
        if (!grid)
            return false;
        Guarded([grid] { RefreshGrid(grid); });
        return true;
    }

private:
    QPointer<TDBGrid> m_lastGrid;
};

TRefreshKey *refreshKey()
{
    static QPointer<TRefreshKey> key;
    if (!key && qApp) {
        key = new TRefreshKey(qApp);
        qApp->installEventFilter(key);
    }
    return key;
}

} // namespace

void RefreshGrid(TDBGrid *grid)
{
    TDataSet *ds = grid ? grid->DataSet() : nullptr;
    if (!ds || !ds->Active())
        return;
    // an edit in the grid's cells is written as leaving the row would
    if (grid->IsEditable() && ds->IsEditing() && !grid->FinishRow())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        RefreshDataSet(*ds);
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}

TDBGrid *RefreshTarget(QWidget *widget)
{
    if (!widget)
        return nullptr;
    if (TDBGrid *g = TRefreshKey::gridOf(widget))
        return g;
    QWidget *window = widget->window();
    const TRefreshKey *key = refreshKey();
    TDBGrid *last = key ? key->lastGrid() : nullptr;
    if (last && last->window() == window && last->isVisible())
        return last;
    for (TDBGrid *g : window->findChildren<TDBGrid *>())
        if (g->isVisible())
            return g;
    return nullptr;
}

void InstallGridRefreshKey()
{
    refreshKey();
}

void KeepOwnRefreshKey(QWidget *widget)
{
    widget->setProperty(OwnKey, true);
}

QAction *AddRefreshItem(QMenu *menu, std::function<TDBGrid *()> grid)
{
    QAction *item = menu->addAction(QStringLiteral("Обновить"));
    item->setObjectName(menu->objectName() + QStringLiteral("Refresh"));
    item->setShortcut(QKeySequence(Qt::Key_F5));
    item->setShortcutContext(Qt::WidgetShortcut); // F5 itself is handled for every window
    item->setProperty("gridRefresh", true);
    QObject::connect(item, &QAction::triggered, menu, [grid] {
        Guarded([&] { RefreshGrid(grid()); });
    });
    // after the popup's own items were enabled by the hit test: a list is
    // refreshed whether the pointer is on a row or not
    QObject::connect(menu, &QMenu::aboutToShow, item, [item, grid] {
        TDBGrid *g = grid();
        item->setEnabled(g && g->DataSet() && g->DataSet()->Active());
    });
    return item;
}

bool IsRefreshItem(const QAction *item)
{
    return item && item->property("gridRefresh").toBool();
}
