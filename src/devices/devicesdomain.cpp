#include "devices/devicesdomain.h"

#include "devices/deveditfrm.h"
#include "devices/devicespages.h"
#include "devices/seldevicefrm.h"
#include "devices/vdeveditfrm.h"
#include "widgets/shell.h"

void RegisterDevices(IShell &shell)
{
    FillDevicesPage(shell.Page("tsDevices"), shell);
    FillDevTypesPage(shell.Page("tsDevTypes"));
    shell.AddStartupWindow("DevEditForm", [](QWidget *main) { return new TDevEditForm(main); });
    shell.AddStartupWindow("VDevEditForm", [](QWidget *main) { return new TVDevEditForm(main); });
    shell.AddStartupWindow("SelDeviceForm",
                           [](QWidget *main) { return new TSelDeviceForm(main); });
}
