#pragma once
// The checks of one meter row before it is registered, and what they derive
// from it: the supply system and the name of the measurement channel that
// reads the meter. Plain texts in, plain results out.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The cells of a meter row that the registration uses.
struct TMeterRow {
    QString flat;         // flat number
    QString meterName;    // decides hot or cold water
    QString concentrator; // serial number of the concentrator
    QString channel;      // concentrator channel, counted from 1
    QString date;         // registration date, dd.mm.yyyy
};

// The outcome of the checks: an empty error when the row may be sent.
struct TRowCheck {
    QString error;
    int systemId = -1;
    QString channelName; // "TARM_VD" + (channel - 1) + "_" + concentrator
};

// The supply system of a meter name: 2 (hot water) when the name in capitals
// contains one of the hot-water names, else 3 (cold water) when it contains
// one of the cold-water names, else -1. The list names are taken as they
// stand (a name in small letters never matches); empty names never match.
int DeviceSystemId(const QString &meterName, const QStringList &hotNames,
                   const QStringList &coldNames);

// A whole number: an optional sign and decimal digits, nothing else, within
// the signed 32-bit range.
std::optional<int> WholeNumber(const QString &text);
// The concentrator number: a text of 8 or more characters loses a leading
// "06", "07", "08" or "09" and then a leading "."; the rest must be a whole
// number without a minus sign.
std::optional<int> ConcentratorNumber(const QString &cell);
// The channel index (the channel number less 1) of a channel number of at
// least 1.
std::optional<int> ChannelIndex(const QString &cell);
// A date written dd.mm.yyyy that exists in the calendar, whatever the
// locale.
bool IsRegistrationDate(const QString &cell);

// The checks in their order (flat, meter name, concentrator, channel, date);
// the first that fails gives the error. systemOf is DeviceSystemId over the
// window's name lists.
TRowCheck CheckMeterRow(const TMeterRow &row, const std::function<int(const QString &)> &systemOf);
