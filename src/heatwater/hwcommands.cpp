#include "heatwater/hwcommands.h"

#include "base/utils.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "devices/seldevicefrm.h"
#include "heatwater/hwobjecteditfrm.h"
#include "heatwater/hwunitdeveditfrm.h"
#include "widgets/recordcommands.h"

bool AddHWObject()
{
    if (!HWObjectEditForm)
        throw EError(QStringLiteral("Окно объекта учета не создано"));
    RunRecordCommand(DM->qryHWObjects, TRecordCommand::Add);
    // the edit protocol posts exactly when the dialog closed with OK
    return HWObjectEditForm->result() == QDialog::Accepted;
}

bool AddHWUnitDev()
{
    TDataSet *channels = DM->qryHWUnitDev;
    TDataSet *units = DM->qryHWUnits;
    if (!channels->Active() || !units->Active())
        throw EDatabaseError(
            QStringLiteral("%1: набор данных закрыт").arg(channels->objectName()));
    if (!HWUnitDevEditForm)
        throw EError(QStringLiteral("Окно прибора учета не создано"));
    if (units->IsEmpty())
        return false; // a channel belongs to a unit; the command is disabled then
    QVariant vdevId;
    if (!SelectDevice(vdevId, HWDevClass))
        return false;
    // as the edit protocol: any error cancels the new row and goes on
    try {
        channels->Append();
        channels->SetFieldValue(QStringLiteral("vdevid"), vdevId);
        if (ShowModal(HWUnitDevEditForm) != QDialog::Accepted) {
            channels->Cancel();
            return false;
        }
        channels->Post();
    } catch (...) {
        try {
            channels->Cancel();
        } catch (...) {
        }
        throw;
    }
    return true;
}
