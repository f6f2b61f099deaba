// The record commands of the main window: the edit protocol and the add, edit
// and delete commands of every reference table.
#include "shell/mainfrm.h"

#include "data/dberrors.h"
#include "shell/utils.h"

#include "widgets/dbgrid.h"

#include <QAction>
#include <QDialog>
#include <QMenu>

bool TMainForm::Confirm(const QString &text)
{
    return ConfirmBox(text, this);
}

void TMainForm::Warn(const QString &text)
{
    WarningBox(text, this);
}

void TMainForm::EditRecord(TDataSet *dataSet, TEditMode mode, QDialog *dialog)
{
    if (!dialog)
        throw EError(QStringLiteral("Окно редактирования не создано"));
    try {
        if (mode == TEditMode::Edit) {
            if (dataSet->IsEmpty())
                return; // nothing to edit
            dataSet->Edit();
        } else {
            dataSet->Append();
        }
        if (ShowModal(dialog) == QDialog::Accepted)
            dataSet->Post();
        else
            dataSet->Cancel();
    } catch (...) {
        try {
            dataSet->Cancel();
        } catch (...) {
        }
        throw;
    }
}

void TMainForm::DeleteRecord(TDataSet *dataSet)
{
    if (dataSet->IsEmpty())
        return;
    dataSet->Delete();
}

bool TMainForm::IsDataRowHit(TDBGrid *grid) const
{
    return ::IsDataRowHit(grid);
}

void TMainForm::PreparePopup(TDBGrid *grid, QMenu *menu) const
{
    const bool hit = IsDataRowHit(grid);
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            a->setEnabled(hit);
}

void TMainForm::PopupGridMenu(TDBGrid *grid, QMenu *menu, const QPoint &globalPos)
{
    PreparePopup(grid, menu);
    menu->exec(globalPos);
}

TDataSet *TMainForm::EntityDataSet(TEntity entity)
{
    switch (entity) {
    case TEntity::HWObject: return DM->qryHWObjects;
    case TEntity::HWUnit: return DM->qryHWUnits;
    case TEntity::HWUnitDev: return DM->qryHWUnitDev;
    case TEntity::Contract: return DM->qryContracts;
    case TEntity::Abonent: return DM->qryAbonents;
    case TEntity::AbonDev: return DM->qryAbonDev;
    case TEntity::ContractW: return DM->qryContractsW;
    case TEntity::AdmDistrict: return DM->qryAdmDistricts;
    case TEntity::District: return DM->qryDistricts;
    case TEntity::Area: return DM->qryAreas;
    case TEntity::Street: return DM->qryStreets;
    case TEntity::Building: return DM->qryBuildings;
    case TEntity::Org: return DM->qryOrgs;
    case TEntity::BankAcc: return DM->qryOrgBankAcc;
    case TEntity::CTP: return DM->qryCTP;
    }
    return nullptr;
}

void TMainForm::SetEditDialog(TEntity entity, QDialog *dialog)
{
    m_editDialogs.insert(entity, dialog);
}

QDialog *TMainForm::EditDialog(TEntity entity) const
{
    return m_editDialogs.value(entity);
}

void TMainForm::AddRecord(TEntity entity)
{
    EditRecord(EntityDataSet(entity), TEditMode::Add, EditDialog(entity));
}

void TMainForm::EditRecord(TEntity entity)
{
    EditRecord(EntityDataSet(entity), TEditMode::Edit, EditDialog(entity));
}

void TMainForm::DelRecord(TEntity entity)
{
    DeleteRecord(EntityDataSet(entity));
}
