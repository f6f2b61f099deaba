#include "reference/addressreference.h"

#include "reference/selbuildingfrm.h"
#include "base/guard.h"

#include <QAction>
#include <QBoxLayout>
#include <QPushButton>

namespace {

void addViewButton(QWidget *page)
{
    auto *button = new QPushButton(QStringLiteral("Просмотр данных"), page);
    button->setObjectName(QStringLiteral("btnViewData"));
    QObject::connect(button, &QPushButton::clicked, page, [] {
        Guarded([] {
            SelBuildingForm->SetSelectMode(TSelBuildingForm::TSelectMode::Browse);
            SelBuildingForm->Execute();
        });
    });
    // below the file box, before the stretch at the bottom of the page
    auto *layout = qobject_cast<QBoxLayout *>(page->layout());
    if (!layout) {
        layout = new QVBoxLayout(page);
        layout->addStretch();
    }
    auto *row = new QHBoxLayout;
    row->addWidget(button);
    row->addStretch();
    const int stretch = layout->count() - 1;
    layout->insertLayout(
        stretch >= 0 && layout->itemAt(stretch)->spacerItem() ? stretch : layout->count(), row);
}

} // namespace

void FillAddressPage(QWidget *page)
{
    addViewButton(page);
}
