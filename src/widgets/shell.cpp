#include "widgets/shell.h"

#include "base/guard.h"
#include "widgets/dbgrid.h"

namespace {

IShell *g_shell = nullptr;

} // namespace

void SetGridPopup(IShell &shell, TDBGrid *grid, const char *popup)
{
    QObject::connect(grid, &TDBGrid::PopupMenuRequested, grid,
                     [&shell, grid, popup](const QPoint &globalPos) {
                         Guarded([&] { shell.PopupGridMenu(grid, popup, globalPos); });
                     });
}

void SetShell(IShell *shell)
{
    g_shell = shell;
}

IShell *Shell()
{
    return g_shell;
}
