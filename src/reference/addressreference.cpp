#include "reference/addressreference.h"

#include "reference/selbuildingfrm.h"
#include "app/mainfrm.h"
#include "base/guard.h"

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

void FillAddressPage(TMainForm *main)
{
    addViewButton(main);
}
