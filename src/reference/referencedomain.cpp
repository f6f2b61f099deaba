#include "reference/referencedomain.h"

#include "reference/addressreference.h"
#include "reference/admdistricteditfrm.h"
#include "reference/admdistrictsfrm.h"
#include "reference/areaeditfrm.h"
#include "reference/areasfrm.h"
#include "reference/bankacceditfrm.h"
#include "reference/buildingeditfrm.h"
#include "reference/ctpeditfrm.h"
#include "reference/districteditfrm.h"
#include "reference/districtsfrm.h"
#include "reference/orgeditfrm.h"
#include "reference/orgsreference.h"
#include "reference/selbankaccfrm.h"
#include "reference/selbuildingfrm.h"
#include "reference/streeteditfrm.h"
#include "widgets/listform.h"
#include "widgets/shell.h"

void RegisterReference(IShell &shell)
{
    FillOrgsPage(shell.Page("tsOrgs"));
    FillCTPPage(shell.Page("tsCTP"));
    FillAddressPage(shell.Page("tsAddresses"));
    shell.AddMenuItems("mnuRef",
                       {{"mnuRefAdmDistricts", QStringLiteral("Административные округа"),
                         [] {
                             ShowToFront(AdmDistrictsForm);
                         }},
                        {"mnuRefDistricts", QStringLiteral("Городские районы"),
                         [] {
                             ShowToFront(DistrictsForm);
                         }},
                        {"mnuRefAreas", QStringLiteral("Населенные пункты"), [] {
                             ShowToFront(AreasForm);
                         }}});

    shell.AddStartupWindow("SelBuildingForm",
                           [](QWidget *main) { return new TSelBuildingForm(main); });
    // the list windows are windows of their own, not children of the main one
    shell.AddStartupWindow("AdmDistrictsForm", [](QWidget *) { return new TAdmDistrictsForm; });
    shell.AddStartupWindow("AdmDistrictEditForm",
                           [](QWidget *) { return new TAdmDistrictEditForm(AdmDistrictsForm); });
    shell.AddStartupWindow("DistrictsForm", [](QWidget *) { return new TDistrictsForm; });
    shell.AddStartupWindow("DistrictEditForm",
                           [](QWidget *) { return new TDistrictEditForm(DistrictsForm); });
    shell.AddStartupWindow("AreasForm", [](QWidget *) { return new TAreasForm; });
    shell.AddStartupWindow("AreaEditForm", [](QWidget *) { return new TAreaEditForm(AreasForm); });
    shell.AddStartupWindow("StreetEditForm",
                           [](QWidget *) { return new TStreetEditForm(SelBuildingForm); });
    shell.AddStartupWindow("BuildingEditForm",
                           [](QWidget *) { return new TBuildingEditForm(SelBuildingForm); });
    shell.AddStartupWindow("OrgEditForm", [](QWidget *main) { return new TOrgEditForm(main); });
    // the account dialog opens over the organisation dialog
    shell.AddStartupWindow("BankAccEditForm",
                           [](QWidget *) { return new TBankAccEditForm(OrgEditForm); });
    shell.AddStartupWindow("SelBankAccForm",
                           [](QWidget *main) { return new TSelBankAccForm(main); });
    shell.AddStartupWindow("CTPEditForm", [](QWidget *main) { return new TCTPEditForm(main); });
}
