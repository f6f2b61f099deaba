#pragma once
// How the cells of the archive grid show their values: time stamps with their
// seconds, measured values with six decimals.

#include "widgets/dbgriddelegate.h"

class TArchValueDelegate : public TCellTextDelegate
{
    Q_OBJECT
public:
    using TCellTextDelegate::TCellTextDelegate;

    // "dd/mm/yyyy hh:nn:ss" for a date-time, "0.000000" for a floating-point
    // value, the dataset's own text for anything else.
    static QString ValueText(const QVariant &value);
    // Whether the value is shown in a format of the archive's own (a time
    // stamp, a floating-point value) rather than as the dataset shows it.
    static bool HasOwnFormat(const QVariant &value);
    // The text a cell shows.
    QString CellText(const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
