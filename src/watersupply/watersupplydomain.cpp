#include "watersupply/watersupplydomain.h"

#include "watersupply/contractswfrm.h"
#include "watersupply/contractweditfrm.h"
#include "watersupply/watersupplyfrm.h"
#include "widgets/listform.h"
#include "widgets/shell.h"

void RegisterWaterSupply(IShell &shell)
{
    // the water inputs of the current channel of qryHWUnitDev: the popup is
    // opened only on that channel grid
    shell.AddMenuItems(
        "mnuHWUnitDev",
        {{"mnuHWUnitDevViewWaterSupply", QStringLiteral("Водоснабжение..."), &ShowWaterSupply}});
    shell.AddMenuItems("mnuRef",
                       {{"mnuRefContractsW", QStringLiteral("Договоры &водоснабжения"), [] {
                             ShowToFront(ContractsWForm);
                         }}});

    shell.AddStartupWindow("WaterSupplyForm",
                           [](QWidget *main) { return new TWaterSupplyForm(main); });
    // the contract list is a window of its own, not a child of the main one
    shell.AddStartupWindow("ContractsWForm", [](QWidget *) { return new TContractsWForm; });
    shell.AddStartupWindow("ContractWEditForm",
                           [](QWidget *) { return new TContractWEditForm(ContractsWForm); });
}
