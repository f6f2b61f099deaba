#include "flatreg/meterrowcheck.h"

#include <QDate>

#include <limits>

int DeviceSystemId(const QString &meterName, const QStringList &hotNames,
                   const QStringList &coldNames)
{
    const QString name = meterName.toUpper();
    const auto contains = [&name](const QStringList &names) {
        for (const QString &n : names)
            if (!n.isEmpty() && name.contains(n))
                return true;
        return false;
    };
    if (contains(hotNames))
        return 2;
    if (contains(coldNames))
        return 3;
    return -1;
}

std::optional<int> WholeNumber(const QString &text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text.at(0) == QLatin1Char('+') || text.at(0) == QLatin1Char('-'))) {
        negative = text.at(0) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > qint64(1) << 31)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

std::optional<int> ConcentratorNumber(const QString &cell)
{
    if (cell.isEmpty())
        return std::nullopt;
    QString number = cell;
    if (number.size() >= 8) {
        for (const char *prefix : {"06", "07", "08", "09"}) {
            if (number.startsWith(QLatin1String(prefix))) {
                number.remove(0, 2);
                break;
            }
        }
        if (number.startsWith(QLatin1Char('.')))
            number.remove(0, 1);
    }
    // a serial number has no minus sign: "-5" would name channels TARM_VD0_-5
    if (number.startsWith(QLatin1Char('-')))
        return std::nullopt;
    return WholeNumber(number);
}

std::optional<int> ChannelIndex(const QString &cell)
{
    const std::optional<int> number = WholeNumber(cell);
    // checked before the subtraction, so that the smallest number cannot wrap
    if (!number || *number < 1)
        return std::nullopt;
    return *number - 1;
}

bool IsRegistrationDate(const QString &cell)
{
    if (cell.size() != 10 || cell.at(2) != QLatin1Char('.') || cell.at(5) != QLatin1Char('.'))
        return false;
    for (const int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (cell.at(i).unicode() < u'0' || cell.at(i).unicode() > u'9')
            return false;
    const QDate date(cell.mid(6, 4).toInt(), cell.mid(3, 2).toInt(), cell.mid(0, 2).toInt());
    return date.isValid();
}

TRowCheck CheckMeterRow(const TMeterRow &row, const std::function<int(const QString &)> &systemOf)
{
    TRowCheck check;
    if (row.flat.isEmpty()) {
        check.error = QStringLiteral("нет номера квартиры !");
        return check;
    }
    check.systemId = systemOf(row.meterName);
    if (check.systemId == -1) {
        check.error = QStringLiteral("неверный тип прибора !");
        return check;
    }
    const std::optional<int> concentrator = ConcentratorNumber(row.concentrator);
    if (!concentrator) {
        check.error = QStringLiteral("неверный серийный номер концентратора !");
        return check;
    }
    const std::optional<int> channel = ChannelIndex(row.channel);
    if (!channel) {
        check.error = QStringLiteral("неверный номера канала !");
        return check;
    }
    check.channelName = QStringLiteral("TARM_VD%1_%2").arg(*channel).arg(*concentrator);
    if (!IsRegistrationDate(row.date)) {
        check.error = QStringLiteral("неверная дата пастановки на учет !");
        return check;
    }
    return check;
}
