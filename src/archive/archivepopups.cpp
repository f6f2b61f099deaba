#include "archive/archivepopups.h"

#include "app/mainfrm.h"
#include "archive/archdataviewfrm.h"
#include "base/guard.h"
#include "data/dataset.h"
#include "widgets/dbgrid.h"

#include <QAction>

void ConnectArchivePopups(TMainForm *main)
{
    const auto viewPopupChannel = [main] {
        Guarded([main] {
            TDBGrid *grid = main->PopupGrid();
            TDataSet *ds = grid ? grid->DataSet() : nullptr;
            if (!ds || !ds->Active() || ds->IsEmpty())
                return;
            OpenArchiveViewer(ds->FieldValue(QStringLiteral("vdevid")).toString());
        });
    };
    for (QAction *item : {main->mnuVDevicesViewArchData, main->mnuHWUnitDevViewArchData})
        QObject::connect(item, &QAction::triggered, main, viewPopupChannel);
}
