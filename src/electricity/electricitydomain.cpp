#include "electricity/electricitydomain.h"

#include "electricity/abondeveditfrm.h"
#include "electricity/abonenteditfrm.h"
#include "electricity/contracteditfrm.h"
#include "electricity/electrpage.h"
#include "widgets/shell.h"

void RegisterElectricity(IShell &shell)
{
    FillElectrPage(shell.Page("tsElectr"), shell);
    shell.AddStartupWindow("ContractEditForm",
                           [](QWidget *main) { return new TContractEditForm(main); });
    shell.AddStartupWindow("AbonentEditForm",
                           [](QWidget *main) { return new TAbonentEditForm(main); });
    shell.AddStartupWindow("AbonDevEditForm",
                           [](QWidget *main) { return new TAbonDevEditForm(main); });
}
