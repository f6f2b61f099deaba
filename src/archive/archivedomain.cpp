#include "archive/archivedomain.h"

#include "archive/archdataviewfrm.h"
#include "data/dataset.h"
#include "widgets/dbgrid.h"
#include "widgets/shell.h"

void RegisterArchive(IShell &shell)
{
    const auto viewPopupChannel = [&shell] {
        TDBGrid *grid = shell.PopupGrid();
        TDataSet *ds = grid ? grid->DataSet() : nullptr;
        if (!ds || !ds->Active() || ds->IsEmpty())
            return;
        OpenArchiveViewer(ds->FieldValue(QStringLiteral("vdevid")).toString());
    };
    const QString text = QStringLiteral("Просмотр архивных данных...");
    shell.AddMenuItems("mnuVDevices", {{"mnuVDevicesViewArchData", text, viewPopupChannel}});
    shell.AddMenuItems("mnuHWUnitDev", {{"mnuHWUnitDevViewArchData", text, viewPopupChannel}});
}
