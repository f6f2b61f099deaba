#include "heatwater/heatwaterdomain.h"

#include "heatwater/heatwaterpage.h"
#include "heatwater/hwobjecteditfrm.h"
#include "heatwater/hwunitdeveditfrm.h"
#include "heatwater/hwuniteditfrm.h"
#include "widgets/shell.h"

void RegisterHeatWater(IShell &shell)
{
    FillHeatWaterPage(shell.Page("tsHeatWater"), shell);
    shell.AddStartupWindow("HWObjectEditForm",
                           [](QWidget *main) { return new THWObjectEditForm(main); });
    shell.AddStartupWindow("HWUnitEditForm",
                           [](QWidget *main) { return new THWUnitEditForm(main); });
    shell.AddStartupWindow("HWUnitDevEditForm",
                           [](QWidget *main) { return new THWUnitDevEditForm(main); });
}
