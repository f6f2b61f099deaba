#include "reference/addressreference.h"

#include "reference/admdistricteditfrm.h"
#include "reference/admdistrictsfrm.h"
#include "reference/areaeditfrm.h"
#include "reference/areasfrm.h"
#include "reference/buildingeditfrm.h"
#include "reference/districteditfrm.h"
#include "reference/districtsfrm.h"
#include "reference/selbuildingfrm.h"
#include "reference/streeteditfrm.h"
#include "shell/guard.h"

#include <QAction>
#include <QBoxLayout>
#include <QPushButton>

namespace {

void addViewButton(TMainForm *main)
{
    auto *button = new QPushButton(QStringLiteral("Просмотр данных"), main->tsAddresses);
    button->setObjectName(QStringLiteral("btnViewData"));
    QObject::connect(button, &QPushButton::clicked, main, [] {
        Guarded([] {
            SelBuildingForm->SetSelectMode(TSelBuildingForm::TSelectMode::Browse);
            SelBuildingForm->Execute();
        });
    });
    // below the file box, before the stretch at the bottom of the page
    auto *layout = qobject_cast<QBoxLayout *>(main->tsAddresses->layout());
    if (!layout) {
        layout = new QVBoxLayout(main->tsAddresses);
        layout->addStretch();
    }
    auto *row = new QHBoxLayout;
    row->addWidget(button);
    row->addStretch();
    const int stretch = layout->count() - 1;
    layout->insertLayout(stretch >= 0 && layout->itemAt(stretch)->spacerItem() ? stretch
                                                                                : layout->count(),
                         row);
}

} // namespace

void InstallAddressWindows(TMainForm *main)
{
    if (SelBuildingForm)
        return;
    // in the order of the program's start-up
    new TSelBuildingForm(main);
    new TAdmDistrictsForm(main);
    new TAdmDistrictEditForm(AdmDistrictsForm);
    new TDistrictsForm(main);
    new TDistrictEditForm(DistrictsForm);
    new TAreasForm(main);
    new TAreaEditForm(AreasForm);
    new TStreetEditForm(SelBuildingForm);
    new TBuildingEditForm(SelBuildingForm);

    main->SetEditDialog(TEntity::AdmDistrict, AdmDistrictEditForm);
    main->SetEditDialog(TEntity::District, DistrictEditForm);
    main->SetEditDialog(TEntity::Area, AreaEditForm);
    main->SetEditDialog(TEntity::Street, StreetEditForm);
    main->SetEditDialog(TEntity::Building, BuildingEditForm);

    const std::pair<QAction *, QWidget *> menu[] = {{main->mnuRefAdmDistricts, AdmDistrictsForm},
                                                    {main->mnuRefDistricts, DistrictsForm},
                                                    {main->mnuRefAreas, AreasForm}};
    for (const auto &[action, window] : menu)
        QObject::connect(action, &QAction::triggered, window,
                         [w = window] { AddrUi::ShowToFront(w); });

    addViewButton(main);

    // the list windows are windows of their own, not children of the main one
    QObject::connect(main, &QObject::destroyed, [] {
        delete AdmDistrictsForm;
        delete DistrictsForm;
        delete AreasForm;
    });
}
