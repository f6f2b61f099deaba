#include "electricity/abonenteditfrm.h"

#include "data/dmfrm.h"
#include "widgets/dbedit.h"

TAbonentEditForm *AbonentEditForm = nullptr;

TAbonentEditForm::TAbonentEditForm(QWidget *parent)
    : TEditDialog("AbonentEditForm", QStringLiteral("Абонент"), DM->qryAbonents, parent)
{
    SetLabelsAbove(true);
    TDataSource *ds = DM->dsAbonents;
    txtNumber =
        AddEdit(QStringLiteral("Номер абонента:"), ds, QStringLiteral("number"), "txtNumber");
    txtMaxEnergy =
        new TDBNumberEdit(ds, QStringLiteral("maxenergy"), this, QStringLiteral("txtMaxEnergy"));
    AddRow(QStringLiteral("Энергопотребление по договору, кВт-ч:"), txtMaxEnergy);
    FinishLayout(QSize(350, 270));
    AbonentEditForm = this;
}

TAbonentEditForm::~TAbonentEditForm()
{
    if (AbonentEditForm == this)
        AbonentEditForm = nullptr;
}

bool TAbonentEditForm::CloseCheck()
{
    // a consumption that is not a number yet is never stored as the old value
    return RequireText(DM->qryAbonents, QStringLiteral("number"),
                       QStringLiteral("Реквизит 'Номер абонента' является обязательным!")) &&
        txtMaxEnergy->ValidateInput();
}
