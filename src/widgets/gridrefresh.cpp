#include "widgets/gridrefresh.h"

#include "base/guard.h"
#include "data/dataset.h"
#include "data/datasetrefresh.h"
#include "widgets/dbgrid.h"

#include <QApplication>
#include <QKeyEvent>
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
        const Qt::KeyboardModifiers held = key->modifiers() &
            (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (key->key() != Qt::Key_F5 || held != Qt::NoModifier || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (HasOwnRefreshKey(widget))
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

bool HasOwnRefreshKey(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget())
        if (w->property(OwnKey).toBool())
            return true;
    return false;
}
