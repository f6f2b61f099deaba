// The archive of the measurement channels: whether a channel has one.
#include "data/dmfrm.h"

bool TDM::HasArchiveTable(const QString &vdevid) const
{
    // the archive table is that of the channel's device category
    const int key = qryVDevicesAll->FieldIndex(QStringLiteral("vdevid"));
    const int row = qryVDevicesAll->FindRow(key, vdevid);
    if (row < 0)
        return false;
    return !qryVDevicesAll->Value(row, qryVDevicesAll->FieldIndex(QStringLiteral("tblname")))
                .isNull();
}
