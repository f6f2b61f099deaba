#pragma once
// A failure of a data operation.

#include "base/errors.h"

// A database failure (or any failure of a data operation) with the driver's
// message and, where the driver gave one, the SQLSTATE.
class EDatabaseError : public EError
{
public:
    explicit EDatabaseError(const QString &message, const QString &sqlState = QString())
        : EError(message), m_sqlState(sqlState)
    {
    }
    const QString &sqlState() const { return m_sqlState; }

private:
    QString m_sqlState;
};
