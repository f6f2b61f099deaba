#include "watersupply/watersupplypopup.h"

#include "app/mainfrm.h"
#include "base/guard.h"
#include "watersupply/watersupplyfrm.h"

#include <QAction>

void ConnectWaterSupplyPopup(TMainForm *main)
{
    QObject::connect(main->mnuHWUnitDevViewWaterSupply, &QAction::triggered, main,
                     [] { Guarded([] { ShowWaterSupply(); }); });
}
