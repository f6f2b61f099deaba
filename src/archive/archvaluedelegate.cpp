#include "archive/archvaluedelegate.h"

#include <QDateTime>

QString TArchValueDelegate::ValueText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    case QMetaType::QDate:
        // the date's own midnight, not the start of that day in local time
        return QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)
            .toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'f', 6);
    default:
        return value.toString();
    }
}

bool TArchValueDelegate::HasOwnFormat(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime:
    case QMetaType::QDate:
    case QMetaType::Double:
    case QMetaType::Float:
        return !value.isNull();
    default:
        return false;
    }
}

QString TArchValueDelegate::CellText(const QModelIndex &index) const
{
    // the raw value, not the dataset's general text
    const QVariant value = index.data(Qt::EditRole);
    return HasOwnFormat(value) ? ValueText(value) : index.data(Qt::DisplayRole).toString();
}

void TArchValueDelegate::initStyleOption(QStyleOptionViewItem *option,
                                         const QModelIndex &index) const
{
    TCellTextDelegate::initStyleOption(option, index);
    option->text = CellText(index);
}
