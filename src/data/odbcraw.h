#pragma once
// The ODBC C API behind TConnection and TStatement, for the code that must
// reach the driver directly: the ODBC layer itself, and tests and benchmarks
// that set statement attributes or read the driver's state. Everything else
// goes through data/odbc.h.

#include "data/odbc.h"

#include <sql.h>
#include <sqlext.h>

struct OdbcRaw {
    // The driver's handles; null while the statement or connection is not
    // allocated (closed).
    static SQLHSTMT Handle(const TStatement &statement);
    static SQLHDBC Handle(const TConnection &connection);
};

// Throws the diagnostic records of a handle as an EDatabaseError.
[[noreturn]] void ThrowOdbcError(SQLSMALLINT handleType, SQLHANDLE handle,
                                 const QString &fallback);
