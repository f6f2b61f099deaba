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
    // The driver said the connection is gone: a connection exception (class
    // 08) or the server ending the session (57P01..57P03).
    bool ConnectionLost() const
    {
        return m_sqlState.startsWith(QLatin1String("08")) ||
            m_sqlState == QLatin1String("57P01") || m_sqlState == QLatin1String("57P02") ||
            m_sqlState == QLatin1String("57P03");
    }

private:
    QString m_sqlState;
};

// A row of a parameter array that the driver reported failed or did not carry
// out. Row() is its index among the rows given, counted from 0.
class EBatchRowError : public EDatabaseError
{
public:
    EBatchRowError(const QString &message, const QString &sqlState, int row)
        : EDatabaseError(message, sqlState), m_row(row)
    {
    }
    int Row() const { return m_row; }

private:
    int m_row;
};
