// The record commands of the main window: the edit protocol and the add, edit
// and delete commands of every reference table.
#include "app/mainfrm.h"

#include "data/dberrors.h"
#include "base/utils.h"

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
    m_popupGrid = grid;
    PreparePopup(grid, menu);
    // the list's own items ("Копировать", "Сохранить в CSV...") follow
    grid->ExecPopup(menu, globalPos);
}

TDBGrid *TMainForm::PopupGrid() const
{
    return m_popupGrid;
}

void TMainForm::AddRecord(TDataSet *dataSet)
{
    EditRecord(dataSet, TEditMode::Add, EditDialog(dataSet));
}

void TMainForm::EditRecord(TDataSet *dataSet)
{
    EditRecord(dataSet, TEditMode::Edit, EditDialog(dataSet));
}
