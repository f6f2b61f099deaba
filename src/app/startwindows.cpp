#include "app/startwindows.h"

#include "app/mainfrm.h"
#include "archive/archivedomain.h"
#include "devices/devicesdomain.h"
#include "electricity/electricitydomain.h"
#include "flatreg/flatregdomain.h"
#include "heatwater/heatwaterdomain.h"
#include "import/importdomain.h"
#include "reference/referencedomain.h"
#include "reference/selbuildingfrm.h"
#include "watersupply/watersupplydomain.h"
#include "widgets/progress.h"

void CreateStartupWindows(TMainForm *main)
{
    if (SelBuildingForm)
        return;

    // The domains fill the data pages and add their menu items, in the order
    // in which their parts follow each other where they share a place: the
    // import's controls before the button "Просмотр данных" on "Адреса
    // строений", the address lists before the water supply contracts in
    // "Справочники", "Водоснабжение..." before the archive item in the heat
    // and water channel popup.
    RegisterDevices(*main);
    RegisterHeatWater(*main);
    RegisterElectricity(*main);
    RegisterImport(*main);
    RegisterReference(*main);
    RegisterWaterSupply(*main);
    RegisterArchive(*main);
    RegisterFlatRegister(*main);

    // the windows kept hidden until used, in the order of start-up
    main->CreateWindowsInOrder(
        {"DevEditForm",      "VDevEditForm",        "SelDeviceForm",   "HWObjectEditForm",
         "HWUnitEditForm",   "HWUnitDevEditForm",   "WaterSupplyForm", "ContractEditForm",
         "AbonentEditForm",  "AbonDevEditForm",     "SelBuildingForm", "ImpProgressForm",
         "AdmDistrictsForm", "AdmDistrictEditForm", "DistrictsForm",   "DistrictEditForm",
         "AreasForm",        "AreaEditForm",        "StreetEditForm",  "BuildingEditForm",
         "OrgEditForm",      "BankAccEditForm",     "SelBankAccForm",  "CTPEditForm",
         "ContractsWForm",   "ContractWEditForm"});
    // the shell's own progress window comes last
    CreateProgressForm();
}
