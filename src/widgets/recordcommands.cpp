#include "widgets/recordcommands.h"

#include "data/dataset.h"
#include "data/dberrors.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

namespace {

IRecordCommands *g_commands = nullptr;

QHash<const TDataSet *, QPointer<QDialog>> &dialogs()
{
    static QHash<const TDataSet *, QPointer<QDialog>> d;
    return d;
}

} // namespace

void SetRecordCommands(IRecordCommands *commands)
{
    g_commands = commands;
}

IRecordCommands *RecordCommands()
{
    return g_commands;
}

void SetEditDialog(TDataSet *dataSet, QDialog *dialog)
{
    if (dialog)
        dialogs().insert(dataSet, dialog);
    else
        dialogs().remove(dataSet);
}

QDialog *EditDialog(TDataSet *dataSet)
{
    return dialogs().value(dataSet);
}

void RunRecordCommand(TDataSet *dataSet, TRecordCommand command)
{
    if (!dataSet || !dataSet->Active())
        throw EDatabaseError(QStringLiteral("%1: набор данных закрыт")
                                 .arg(dataSet ? dataSet->objectName() : QString()));
    if (!g_commands)
        throw EError(QStringLiteral("Команды записей недоступны"));
    switch (command) {
    case TRecordCommand::Add:
        g_commands->EditRecord(dataSet, TEditMode::Add, EditDialog(dataSet));
        break;
    case TRecordCommand::Edit:
        g_commands->EditRecord(dataSet, TEditMode::Edit, EditDialog(dataSet));
        break;
    case TRecordCommand::Del:
        g_commands->DeleteRecord(dataSet);
        break;
    }
}
