#include "app/startwindows.h"

#include "app/mainfrm.h"
#include "widgets/progress.h"
#include "devices/deveditfrm.h"
#include "devices/devicespages.h"
#include "devices/seldevicefrm.h"
#include "devices/vdeveditfrm.h"
#include "archive/archivepopups.h"
#include "electricity/abondeveditfrm.h"
#include "electricity/abonenteditfrm.h"
#include "electricity/contracteditfrm.h"
#include "electricity/electrpage.h"
#include "heatwater/heatwaterpage.h"
#include "heatwater/hwobjecteditfrm.h"
#include "heatwater/hwunitdeveditfrm.h"
#include "heatwater/hwuniteditfrm.h"
#include "import/impprogressfrm.h"
#include "import/importpage.h"
#include "base/guard.h"
#include "flatreg/flatregform.h"
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
#include "watersupply/contractswfrm.h"
#include "watersupply/contractweditfrm.h"
#include "watersupply/watersupplyfrm.h"
#include "watersupply/watersupplypopup.h"
#include "widgets/listform.h"

#include <QAction>

void CreateStartupWindows(TMainForm *main)
{
    if (SelBuildingForm)
        return;

    // the data pages
    FillDevicePages(main);
    FillHeatWaterPage(main);
    FillElectrPage(main);
    FillOrgPages(main);
    FillImportPage(main);
    FillAddressPage(main);
    // the archive items of the channel popups
    ConnectArchivePopups(main);
    ConnectWaterSupplyPopup(main);

    // the windows kept hidden until used, in the order of start-up
    new TDevEditForm(main);
    new TVDevEditForm(main);
    new TSelDeviceForm(main);
    new THWObjectEditForm(main);
    new THWUnitEditForm(main);
    new THWUnitDevEditForm(main);
    new TWaterSupplyForm(main);
    new TContractEditForm(main);
    new TAbonentEditForm(main);
    new TAbonDevEditForm(main);
    new TSelBuildingForm(main);
    new TImpProgressForm(main);
    new TAdmDistrictsForm;
    new TAdmDistrictEditForm(AdmDistrictsForm);
    new TDistrictsForm;
    new TDistrictEditForm(DistrictsForm);
    new TAreasForm;
    new TAreaEditForm(AreasForm);
    new TStreetEditForm(SelBuildingForm);
    new TBuildingEditForm(SelBuildingForm);
    new TOrgEditForm(main);
    // the account dialog opens over the organisation dialog
    new TBankAccEditForm(OrgEditForm);
    new TSelBankAccForm(main);
    new TCTPEditForm(main);
    new TContractsWForm;
    new TContractWEditForm(ContractsWForm);
    CreateProgressForm();

    // the reference windows of the menu
    const std::pair<QAction *, QWidget *> menu[] = {{main->mnuRefAdmDistricts, AdmDistrictsForm},
                                                    {main->mnuRefDistricts, DistrictsForm},
                                                    {main->mnuRefAreas, AreasForm},
                                                    {main->mnuRefContractsW, ContractsWForm}};
    for (const auto &[action, window] : menu)
        QObject::connect(action, &QAction::triggered, window,
                         [w = window] { ShowToFront(w); });

    // the flat register window is made for each use
    QObject::connect(main->mnuFlatRegister, &QAction::triggered, main,
                     [main] { Guarded([main] { FlatRegisterCommand(main); }); });

    // the list windows are windows of their own, not children of the main one
    QObject::connect(main, &QObject::destroyed, [] {
        delete AdmDistrictsForm;
        delete DistrictsForm;
        delete AreasForm;
        delete ContractsWForm;
    });
}
