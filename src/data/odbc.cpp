#include "data/odbc.h"
#include "data/odbcraw.h"

#include "data/dberrors.h"

#include <QDateTime>

#include <cstring>
#include <mutex>
#include <optional>
#include <set>

namespace {

SQLHENV environment()
{
    static SQLHENV env = [] {
        SQLHENV h = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)))
            throw EDatabaseError(QStringLiteral("Не удалось инициализировать ODBC"));
        SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return h;
    }();
    return env;
}

// Statements alive per connection, so that closing the connection frees them
// before the driver drops their handles. A connection and its statements
// belong to one thread, but connections of several threads share the list.
std::set<TStatement *> &liveStatements()
{
    static std::set<TStatement *> s;
    return s;
}
std::mutex &liveStatementsMutex()
{
    static std::mutex m;
    return m;
}

FieldType fieldTypeOf(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_SMALLINT:
    case SQL_TINYINT:
        return FieldType::SmallInt;
    case SQL_INTEGER:
        return FieldType::Integer;
    case SQL_BIGINT:
        return FieldType::LargeInt;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return FieldType::Float;
    case SQL_BIT:
        return FieldType::Boolean;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return FieldType::Date;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return FieldType::DateTime;
    default:
        return FieldType::String;
    }
}

SQLSMALLINT cTypeOf(FieldType t)
{
    switch (t) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt:
        return SQL_C_SBIGINT;
    case FieldType::Float:
        return SQL_C_DOUBLE;
    case FieldType::Boolean:
        return SQL_C_BIT;
    case FieldType::Date:
    case FieldType::DateTime:
        return SQL_C_TYPE_TIMESTAMP;
    case FieldType::String:
        break;
    }
    return SQL_C_CHAR;
}

SQLSMALLINT paramSqlType(FieldType t)
{
    switch (t) {
    case FieldType::SmallInt:
        return SQL_SMALLINT;
    case FieldType::Integer:
        return SQL_INTEGER;
    case FieldType::LargeInt:
        return SQL_BIGINT;
    case FieldType::Float:
        return SQL_DOUBLE;
    case FieldType::Boolean:
        return SQL_BIT;
    case FieldType::Date:
        return SQL_TYPE_DATE;
    case FieldType::DateTime:
        return SQL_TYPE_TIMESTAMP;
    case FieldType::String:
        break;
    }
    return SQL_VARCHAR;
}

SQL_TIMESTAMP_STRUCT toTimestamp(const QVariant &v)
{
    SQL_TIMESTAMP_STRUCT ts{};
    QDateTime dt = v.typeId() == QMetaType::QDate ? QDateTime(v.toDate(), QTime(0, 0), Qt::UTC)
                                                  : v.toDateTime();
    const QDate d = dt.date();
    const QTime t = dt.time();
    ts.year = SQLSMALLINT(d.year());
    ts.month = SQLUSMALLINT(d.month());
    ts.day = SQLUSMALLINT(d.day());
    ts.hour = SQLUSMALLINT(t.hour());
    ts.minute = SQLUSMALLINT(t.minute());
    ts.second = SQLUSMALLINT(t.second());
    ts.fraction = SQLUINTEGER(t.msec()) * 1000000u;
    return ts;
}

QVariant fromTimestamp(const SQL_TIMESTAMP_STRUCT &ts, FieldType type)
{
    const QDate d(ts.year, ts.month, ts.day);
    if (type == FieldType::Date)
        return QVariant(d);
    const QTime t(ts.hour, ts.minute, ts.second, int(ts.fraction / 1000000u));
    return QVariant(QDateTime(d, t, Qt::UTC));
}

QString decodeText(const char *data, qsizetype len, int maxChars)
{
    QString s = QString::fromUtf8(data, len);
    if (maxChars > 0 && s.size() > maxChars)
        s.truncate(maxChars);
    return s;
}

QVariant textToValue(const QString &s, FieldType type)
{
    if (type == FieldType::String)
        return s;
    return CoerceValue(s, type);
}

// A fixed-size cell (integer, double, bit, timestamp) as a value.
QVariant binaryCell(SQLSMALLINT ctype, FieldType type, const char *cell)
{
    switch (ctype) {
    case SQL_C_SBIGINT: {
        qint64 v;
        std::memcpy(&v, cell, sizeof v);
        return type == FieldType::LargeInt ? QVariant(qlonglong(v)) : QVariant(int(v));
    }
    case SQL_C_DOUBLE: {
        double v;
        std::memcpy(&v, cell, sizeof v);
        return v;
    }
    case SQL_C_BIT:
        return cell[0] != 0;
    default: {
        SQL_TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, cell, sizeof ts);
        return fromTimestamp(ts, type);
    }
    }
}

// A text parameter as the driver takes it. The driver ends a text at a NUL
// character, so the rest would be lost without a word; the server stores no
// such character anyway.
QByteArray paramText(const QVariant &value)
{
    const QString text = value.toString();
    if (text.contains(QChar(0)))
        throw EDatabaseError(QStringLiteral("Текст содержит символ с кодом 0, который база "
                                            "данных не принимает: \"%1\"")
                                 .arg(QString(text).replace(QChar(0), QChar(0xFFFD))),
                             QStringLiteral("22021"));
    return text.toUtf8();
}

void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char *what)
{
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        ThrowOdbcError(handleType, handle, QString::fromLatin1(what));
}

// The first row of a parameter array that the driver did not carry out, or
// -1. After a call that succeeded, a row may still be reported failed
// (SQL_PARAM_ERROR) or left out (SQL_PARAM_UNUSED, or beyond the rows
// processed); a row the driver said nothing of (its status left as
// SQL_PARAM_DIAG_UNAVAILABLE) went with the array. After a failed call a row
// is named only when the driver told it from the others: psqlODBC takes a
// failed array back whole and reports every row of it failed.
int failedParamRow(bool succeeded, const QVector<SQLUSMALLINT> &statuses, SQLULEN processed)
{
    const int count = int(statuses.size());
    if (succeeded) {
        for (int r = 0; r < count; ++r)
            if (statuses[r] == SQL_PARAM_ERROR || statuses[r] == SQL_PARAM_UNUSED)
                return r;
        return processed < SQLULEN(count) ? int(processed) : -1;
    }
    int failed = -1;
    for (int r = 0; r < count; ++r) {
        if (statuses[r] != SQL_PARAM_ERROR)
            continue;
        if (failed >= 0)
            return -1;
        failed = r;
    }
    return failed;
}

} // namespace

void ThrowOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, const QString &fallback)
{
    QStringList messages;
    QString state;
    for (SQLSMALLINT rec = 1; handle != SQL_NULL_HANDLE; ++rec) {
        SQLCHAR sqlState[6] = {0};
        SQLINTEGER nativeError = 0;
        SQLCHAR text[4096];
        SQLSMALLINT len = 0;
        const SQLRETURN rc = SQLGetDiagRec(handleType, handle, rec, sqlState, &nativeError, text,
                                           sizeof(text), &len);
        if (!SQL_SUCCEEDED(rc))
            break;
        if (state.isEmpty())
            state = QString::fromLatin1(reinterpret_cast<char *>(sqlState));
        QString msg = QString::fromUtf8(reinterpret_cast<char *>(text),
                                        qMin<int>(len, int(sizeof(text)) - 1))
                          .trimmed();
        if (!msg.isEmpty())
            messages << msg;
    }
    throw EDatabaseError(messages.isEmpty() ? fallback : messages.join(QLatin1Char('\n')), state);
}

// ---- TConnection -----------------------------------------------------------

struct TConnection::Impl {
    SQLHDBC dbc = SQL_NULL_HDBC;
};

TConnection::TConnection(QObject *parent) : QObject(parent), d(std::make_unique<Impl>()) {}

bool TConnection::IsOpen() const
{
    return d->dbc != SQL_NULL_HDBC;
}

SQLHDBC OdbcRaw::Handle(const TConnection &connection)
{
    return connection.d->dbc;
}

TConnection::~TConnection()
{
    Close();
}

void TConnection::Open(const QString &connectionString, int loginTimeout)
{
    Close();
    SQLHDBC dbc = SQL_NULL_HDBC;
    check(SQLAllocHandle(SQL_HANDLE_DBC, environment(), &dbc), SQL_HANDLE_ENV, environment(),
          "SQLAllocHandle");
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeout)), 0);
    const QByteArray cs = connectionString.toUtf8();
    SQLCHAR out[2048];
    SQLSMALLINT outLen = 0;
    const SQLRETURN rc = SQLDriverConnect(
        dbc, nullptr, reinterpret_cast<SQLCHAR *>(const_cast<char *>(cs.constData())),
        SQLSMALLINT(cs.size()), out, sizeof(out), &outLen, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        try {
            ThrowOdbcError(SQL_HANDLE_DBC, dbc,
                           QStringLiteral("Не удалось соединиться с сервером"));
        } catch (...) {
            SQLFreeHandle(SQL_HANDLE_DBC, dbc);
            throw;
        }
    }
    d->dbc = dbc;
    try {
        // Texts travel as UTF-8 whatever the database's encoding is.
        Execute(QStringLiteral("SET client_encoding TO 'UTF8'"));
    } catch (...) {
        SQLDisconnect(d->dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, d->dbc);
        d->dbc = SQL_NULL_HDBC;
        throw;
    }
    emit Opened();
}

void TConnection::Close()
{
    if (!IsOpen())
        return;
    emit AboutToClose();
    std::vector<TStatement *> mine;
    {
        const std::lock_guard<std::mutex> lock(liveStatementsMutex());
        for (TStatement *s : liveStatements())
            if (&s->m_conn == this)
                mine.push_back(s);
    }
    for (TStatement *s : mine)
        s->freeStatement();
    if (m_inTransaction) {
        SQLEndTran(SQL_HANDLE_DBC, d->dbc, SQL_ROLLBACK);
        SQLSetConnectAttr(d->dbc, SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
        m_inTransaction = false;
    }
    SQLDisconnect(d->dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, d->dbc);
    d->dbc = SQL_NULL_HDBC;
    emit Closed();
}

bool TConnection::IsLost() const
{
    if (!IsOpen())
        return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttr(d->dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}

void TConnection::RaiseIfLost()
{
    RequireOpen();
    try {
        TStatement probe(*this);
        probe.ExecDirect(QStringLiteral("SELECT 1"));
        probe.CloseCursor();
    } catch (const EDatabaseError &e) {
        // Only an aborted transaction refuses it in a working session (its
        // owner rolls back). The driver need not call a link that broke a
        // lost connection, not even on the second statement.
        if (e.sqlState() != QLatin1String("25P02"))
            throw;
    }
}

void TConnection::RequireOpen() const
{
    if (!IsOpen())
        throw EDatabaseError(QStringLiteral("Нет соединения с базой данных"));
}

void TConnection::BeginTransaction()
{
    RequireOpen();
    if (m_inTransaction)
        throw EDatabaseError(QStringLiteral("Транзакция уже начата"));
    check(SQLSetConnectAttr(d->dbc, SQL_ATTR_AUTOCOMMIT,
                            reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, d->dbc, "BeginTransaction");
    m_inTransaction = true;
}

void TConnection::Commit()
{
    RequireOpen();
    check(SQLEndTran(SQL_HANDLE_DBC, d->dbc, SQL_COMMIT), SQL_HANDLE_DBC, d->dbc, "Commit");
    SQLSetConnectAttr(d->dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      0);
    m_inTransaction = false;
}

void TConnection::Rollback()
{
    if (!IsOpen() || !m_inTransaction)
        return;
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, d->dbc, SQL_ROLLBACK);
    SQLSetConnectAttr(d->dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      0);
    m_inTransaction = false;
    check(rc, SQL_HANDLE_DBC, d->dbc, "Rollback");
}

qint64 TConnection::Execute(const QString &sql, const QVector<BoundValue> &params)
{
    TStatement st(*this);
    st.ExecDirect(sql, params);
    return st.RowCount();
}

TTransaction::TTransaction(TConnection &connection) : m_conn(connection)
{
    m_conn.BeginTransaction();
}

TTransaction::~TTransaction()
{
    if (!m_done) {
        try {
            m_conn.Rollback();
        } catch (...) {
        }
    }
}

void TTransaction::Commit()
{
    m_conn.Commit();
    m_done = true;
}

// ---- TStatement ------------------------------------------------------------

namespace {

struct ParamBuffer {
    QByteArray text;
    qint64 integer = 0;
    double real = 0;
    unsigned char bit = 0;
    SQL_TIMESTAMP_STRUCT ts{};
    SQLLEN ind = 0;
    // column-wise arrays for batches
    std::vector<char> array;
    std::vector<SQLLEN> inds;
};

} // namespace

struct TStatement::Impl {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    std::vector<std::unique_ptr<ParamBuffer>> paramBuffers;
};

SQLHSTMT OdbcRaw::Handle(const TStatement &statement)
{
    return statement.d->stmt;
}

TStatement::TStatement(TConnection &connection) : d(std::make_unique<Impl>()), m_conn(connection)
{
    m_conn.RequireOpen();
    check(SQLAllocHandle(SQL_HANDLE_STMT, m_conn.d->dbc, &d->stmt), SQL_HANDLE_DBC, m_conn.d->dbc,
          "SQLAllocHandle");
    const std::lock_guard<std::mutex> lock(liveStatementsMutex());
    liveStatements().insert(this);
}

TStatement::~TStatement()
{
    freeStatement();
    const std::lock_guard<std::mutex> lock(liveStatementsMutex());
    liveStatements().erase(this);
}

void TStatement::freeStatement()
{
    if (d->stmt != SQL_NULL_HSTMT) {
        SQLFreeHandle(SQL_HANDLE_STMT, d->stmt);
        d->stmt = SQL_NULL_HSTMT;
    }
}

static void requireHandle(SQLHSTMT h)
{
    if (h == SQL_NULL_HSTMT)
        throw EDatabaseError(QStringLiteral("Нет соединения с базой данных"));
}

void TStatement::SetQueryTimeout(int seconds)
{
    requireHandle(d->stmt);
    check(SQLSetStmtAttr(d->stmt, SQL_ATTR_QUERY_TIMEOUT,
                         reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0),
          SQL_HANDLE_STMT, d->stmt, "SetQueryTimeout");
}

void TStatement::Prepare(const QString &sql)
{
    requireHandle(d->stmt);
    CloseCursor();
    m_columns.clear();
    const QByteArray s = sql.toUtf8();
    check(SQLPrepare(d->stmt, reinterpret_cast<SQLCHAR *>(const_cast<char *>(s.constData())),
                     SQLINTEGER(s.size())),
          SQL_HANDLE_STMT, d->stmt, "SQLPrepare");
}

void TStatement::bindParams(const QVector<BoundValue> &params)
{
    SQLFreeStmt(d->stmt, SQL_RESET_PARAMS);
    d->paramBuffers.clear();
    for (int i = 0; i < params.size(); ++i) {
        const BoundValue &p = params[i];
        auto buf = std::make_unique<ParamBuffer>();
        const QVariant v = CoerceValue(p.value, p.type);
        const SQLSMALLINT ctype = cTypeOf(p.type);
        const SQLSMALLINT stype = paramSqlType(p.type);
        SQLPOINTER ptr = nullptr;
        SQLLEN bufLen = 0;
        SQLULEN colSize = 0;
        SQLSMALLINT digits = 0;
        if (v.isNull()) {
            buf->ind = SQL_NULL_DATA;
            colSize = stype == SQL_VARCHAR ? 1 : 0;
        } else {
            switch (ctype) {
            case SQL_C_SBIGINT:
                buf->integer = v.toLongLong();
                ptr = &buf->integer;
                break;
            case SQL_C_DOUBLE:
                buf->real = v.toDouble();
                ptr = &buf->real;
                colSize = 15;
                break;
            case SQL_C_BIT:
                buf->bit = v.toBool() ? 1 : 0;
                ptr = &buf->bit;
                break;
            case SQL_C_TYPE_TIMESTAMP:
                buf->ts = toTimestamp(v);
                ptr = &buf->ts;
                colSize = p.type == FieldType::Date ? 10 : 23;
                digits = p.type == FieldType::Date ? 0 : 3;
                break;
            default:
                buf->text = paramText(v);
                ptr = buf->text.data();
                bufLen = buf->text.size();
                buf->ind = buf->text.size();
                colSize = qMax<SQLULEN>(1, SQLULEN(buf->text.size()));
                break;
            }
            if (ctype != SQL_C_CHAR)
                buf->ind = 0;
        }
        check(SQLBindParameter(d->stmt, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, ctype, stype,
                               colSize, digits, ptr, bufLen, &buf->ind),
              SQL_HANDLE_STMT, d->stmt, "SQLBindParameter");
        d->paramBuffers.push_back(std::move(buf));
    }
}

void TStatement::Execute(const QVector<BoundValue> &params)
{
    requireHandle(d->stmt);
    CloseCursor();
    bindParams(params);
    const SQLRETURN rc = SQLExecute(d->stmt);
    check(rc, SQL_HANDLE_STMT, d->stmt, "SQLExecute");
    describe();
}

void TStatement::ExecDirect(const QString &sql, const QVector<BoundValue> &params)
{
    requireHandle(d->stmt);
    CloseCursor();
    m_columns.clear();
    bindParams(params);
    const QByteArray s = sql.toUtf8();
    const SQLRETURN rc =
        SQLExecDirect(d->stmt, reinterpret_cast<SQLCHAR *>(const_cast<char *>(s.constData())),
                      SQLINTEGER(s.size()));
    check(rc, SQL_HANDLE_STMT, d->stmt, "SQLExecDirect");
    describe();
}

qint64 TStatement::ExecuteBatch(const QVector<FieldType> &types,
                                const QVector<QVector<QVariant>> &rows, int batchSize)
{
    requireHandle(d->stmt);
    CloseCursor();
    qint64 done = 0;
    batchSize = qMax(1, batchSize);
    for (qsizetype start = 0; start < rows.size(); start += batchSize) {
        const qsizetype count = qMin<qsizetype>(batchSize, rows.size() - start);
        SQLFreeStmt(d->stmt, SQL_RESET_PARAMS);
        d->paramBuffers.clear();
        for (int p = 0; p < types.size(); ++p) {
            auto buf = std::make_unique<ParamBuffer>();
            const FieldType type = types[p];
            const SQLSMALLINT ctype = cTypeOf(type);
            QVector<QVariant> values(count);
            size_t elem = 0;
            QVector<QByteArray> texts;
            for (qsizetype r = 0; r < count; ++r) {
                const QVector<QVariant> &row = rows[start + r];
                values[r] = CoerceValue(p < row.size() ? row[p] : QVariant(), type);
                if (ctype == SQL_C_CHAR) {
                    texts << paramText(values[r]);
                    elem = qMax<size_t>(elem, size_t(texts.back().size()) + 1);
                }
            }
            switch (ctype) {
            case SQL_C_SBIGINT:
                elem = sizeof(qint64);
                break;
            case SQL_C_DOUBLE:
                elem = sizeof(double);
                break;
            case SQL_C_BIT:
                elem = 1;
                break;
            case SQL_C_TYPE_TIMESTAMP:
                elem = sizeof(SQL_TIMESTAMP_STRUCT);
                break;
            default:
                break;
            }
            buf->array.assign(elem * size_t(count), 0);
            buf->inds.assign(size_t(count), 0);
            for (qsizetype r = 0; r < count; ++r) {
                char *cell = buf->array.data() + elem * size_t(r);
                if (values[r].isNull()) {
                    buf->inds[r] = SQL_NULL_DATA;
                    continue;
                }
                switch (ctype) {
                case SQL_C_SBIGINT: {
                    const qint64 v = values[r].toLongLong();
                    std::memcpy(cell, &v, sizeof v);
                    break;
                }
                case SQL_C_DOUBLE: {
                    const double v = values[r].toDouble();
                    std::memcpy(cell, &v, sizeof v);
                    break;
                }
                case SQL_C_BIT:
                    *cell = values[r].toBool() ? 1 : 0;
                    break;
                case SQL_C_TYPE_TIMESTAMP: {
                    const SQL_TIMESTAMP_STRUCT ts = toTimestamp(values[r]);
                    std::memcpy(cell, &ts, sizeof ts);
                    break;
                }
                default:
                    std::memcpy(cell, texts[r].constData(), size_t(texts[r].size()));
                    buf->inds[r] = texts[r].size();
                    break;
                }
            }
            const SQLSMALLINT stype = paramSqlType(type);
            SQLULEN colSize = ctype == SQL_C_CHAR ? qMax<SQLULEN>(1, elem) : 0;
            if (ctype == SQL_C_TYPE_TIMESTAMP)
                colSize = type == FieldType::Date ? 10 : 23;
            check(SQLBindParameter(
                      d->stmt, SQLUSMALLINT(p + 1), SQL_PARAM_INPUT, ctype, stype, colSize,
                      ctype == SQL_C_TYPE_TIMESTAMP && type != FieldType::Date ? 3 : 0,
                      buf->array.data(), SQLLEN(elem), buf->inds.data()),
                  SQL_HANDLE_STMT, d->stmt, "SQLBindParameter");
            d->paramBuffers.push_back(std::move(buf));
        }
        SQLULEN processed = 0;
        QVector<SQLUSMALLINT> statuses(count, SQL_PARAM_DIAG_UNAVAILABLE);
        SQLSetStmtAttr(d->stmt, SQL_ATTR_PARAM_BIND_TYPE,
                       reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0);
        SQLSetStmtAttr(d->stmt, SQL_ATTR_PARAMSET_SIZE,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(count)), 0);
        SQLSetStmtAttr(d->stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
        SQLSetStmtAttr(d->stmt, SQL_ATTR_PARAM_STATUS_PTR, statuses.data(), 0);
        const SQLRETURN rc = SQLExecute(d->stmt);
        const bool succeeded = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
        // the driver's message, before the next call clears it
        std::optional<EDatabaseError> error;
        if (!succeeded) {
            try {
                ThrowOdbcError(SQL_HANDLE_STMT, d->stmt, QStringLiteral("SQLExecute"));
            } catch (const EDatabaseError &e) {
                error = e;
            }
        }
        SQLSetStmtAttr(d->stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        SQLSetStmtAttr(d->stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, nullptr, 0);
        SQLSetStmtAttr(d->stmt, SQL_ATTR_PARAM_STATUS_PTR, nullptr, 0);
        const int failed = failedParamRow(succeeded, statuses, processed);
        if (error && failed < 0)
            throw *error;
        if (error)
            throw EBatchRowError(error->message(), error->sqlState(), int(start) + failed);
        CloseCursor();
        if (failed >= 0)
            throw EBatchRowError(QStringLiteral("Драйвер ODBC не выполнил строку %1 из %2, "
                                                "переданных ему за один раз")
                                     .arg(failed + 1)
                                     .arg(count),
                                 QString(), int(start) + failed);
        done += count;
    }
    return done;
}

void TStatement::DescribePrepared()
{
    requireHandle(d->stmt);
    describe();
}

qint64 TStatement::RowCount()
{
    requireHandle(d->stmt);
    SQLLEN n = 0;
    check(SQLRowCount(d->stmt, &n), SQL_HANDLE_STMT, d->stmt, "SQLRowCount");
    return n;
}

void TStatement::describe()
{
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(d->stmt, &count), SQL_HANDLE_STMT, d->stmt, "SQLNumResultCols");
    if (!m_columns.isEmpty() && m_columns.size() == count)
        return; // a re-execution of a prepared statement has the same shape
    m_columns.clear();
    for (SQLSMALLINT c = 1; c <= count; ++c) {
        SQLCHAR name[256];
        SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        check(SQLDescribeCol(d->stmt, c, name, sizeof(name), &nameLen, &type, &size, &digits,
                             &nullable),
              SQL_HANDLE_STMT, d->stmt, "SQLDescribeCol");
        ColumnInfo ci;
        ci.name = QString::fromUtf8(reinterpret_cast<char *>(name),
                                    qMin<int>(nameLen, int(sizeof(name)) - 1));
        ci.sqlType = type;
        ci.type = fieldTypeOf(type);
        ci.size = int(qMin<SQLULEN>(size, 1 << 30));
        SQLCHAR base[256];
        SQLSMALLINT baseLen = 0;
        if (SQL_SUCCEEDED(SQLColAttribute(d->stmt, c, SQL_DESC_BASE_TABLE_NAME, base, sizeof(base),
                                          &baseLen, nullptr)))
            ci.baseTable = QString::fromUtf8(reinterpret_cast<char *>(base),
                                             qMin<int>(baseLen, int(sizeof(base)) - 1));
        if (SQL_SUCCEEDED(SQLColAttribute(d->stmt, c, SQL_DESC_BASE_COLUMN_NAME, base,
                                          sizeof(base), &baseLen, nullptr)))
            ci.baseColumn = QString::fromUtf8(reinterpret_cast<char *>(base),
                                              qMin<int>(baseLen, int(sizeof(base)) - 1));
        if (!ci.baseTable.isEmpty() &&
            SQL_SUCCEEDED(SQLColAttribute(d->stmt, c, SQL_DESC_SCHEMA_NAME, base, sizeof(base),
                                          &baseLen, nullptr)))
            ci.baseSchema = QString::fromUtf8(reinterpret_cast<char *>(base),
                                              qMin<int>(baseLen, int(sizeof(base)) - 1));
        m_columns << ci;
    }
}

void TStatement::CloseCursor()
{
    if (d->stmt != SQL_NULL_HSTMT)
        SQLFreeStmt(d->stmt, SQL_CLOSE);
}

namespace {

// The whole text of a column of the row the cursor is positioned on:
// SQLGetData hands a long text over in pieces.
QByteArray readWholeText(SQLHSTMT stmt, int column)
{
    QByteArray bytes;
    char chunk[8192];
    while (true) {
        SQLLEN ind = 0;
        const SQLRETURN r =
            SQLGetData(stmt, SQLUSMALLINT(column + 1), SQL_C_CHAR, chunk, sizeof(chunk), &ind);
        if (r == SQL_NO_DATA)
            break;
        check(r, SQL_HANDLE_STMT, stmt, "SQLGetData");
        if (ind == SQL_NULL_DATA)
            return QByteArray();
        const qsizetype got = (ind == SQL_NO_TOTAL || ind >= SQLLEN(sizeof(chunk)))
            ? qsizetype(sizeof(chunk) - 1)
            : qsizetype(ind);
        bytes.append(chunk, got);
        if (r == SQL_SUCCESS)
            break;
    }
    return bytes;
}

// The texts of a column seen so far, so that a text that repeats (a
// channel's device, serial number and type on each of its channels) is
// decoded once and its rows share one string. A column whose texts mostly
// differ stops looking after its first rows; the pool lives as long as one
// fetch.
class TTextPool
{
public:
    // The decoded text of the bytes, shared with an earlier row's where one
    // had the same bytes.
    template <typename Decode>
    QString Text(const char *bytes, qsizetype len, Decode decode)
    {
        if (!m_on)
            return decode();
        ++m_looked;
        const auto it = m_seen.constFind(QByteArray::fromRawData(bytes, len));
        if (it != m_seen.constEnd())
            return *it;
        QString text = decode();
        if (++m_new > MostlyNew * (m_looked / 8 + 1) && m_looked >= Probe) {
            // mostly new texts: not worth the pool's memory
            m_on = false;
            m_seen = QHash<QByteArray, QString>();
        } else if (m_seen.size() < MaxTexts) {
            m_seen.insert(QByteArray(bytes, len), text);
        }
        return text;
    }

private:
    static constexpr qsizetype Probe = 512;   // rows looked at before judging
    static constexpr qsizetype MostlyNew = 6; // in eighths of the rows looked at
    static constexpr qsizetype MaxTexts = 1 << 16;
    QHash<QByteArray, QString> m_seen;
    qsizetype m_looked = 0;
    qsizetype m_new = 0;
    bool m_on = true;
};

// One result column bound to an array of cells.
struct BoundColumn {
    SQLSMALLINT ctype = SQL_C_CHAR;
    size_t elem = 0; // bytes per cell; 0: the column is not read
    std::vector<char> data;
    std::vector<SQLLEN> ind;
    int maxChars = 0; // characters kept of a text; 0: all
    FieldType type = FieldType::String;
    TTextPool texts; // texts only
};

// How a result is fetched: the cells of every wanted column, and the rows
// per block.
struct FetchPlan {
    std::vector<BoundColumn> columns;
    SQLULEN rows = 1;
};

// Every wanted column is bound to an array of up to 512 rows (at most 4 MB
// a block). A text gets a cell of its size hint, or, without one, of the
// driver's size but at most 255 characters: the sizes the driver reports
// for unbounded texts are guesses. A value longer than its cell is read
// again, whole, from its row, so one text without a size does not cost
// every row a call per column.
FetchPlan planFetch(const QVector<ColumnInfo> &columns, const QVector<int> &sizeHints)
{
    FetchPlan plan;
    plan.columns.resize(size_t(columns.size()));
    size_t rowBytes = 0;
    for (int c = 0; c < columns.size(); ++c) {
        const ColumnInfo &ci = columns[c];
        BoundColumn &b = plan.columns[size_t(c)];
        b.type = ci.type;
        const int hint = c < sizeHints.size() ? sizeHints[c] : 0;
        if (hint < 0)
            continue;
        b.maxChars = hint;
        b.ctype = cTypeOf(ci.type);
        if (ci.sqlType == SQL_NUMERIC || ci.sqlType == SQL_DECIMAL)
            b.ctype = SQL_C_CHAR;
        switch (b.ctype) {
        case SQL_C_SBIGINT:
            b.elem = sizeof(qint64);
            break;
        case SQL_C_DOUBLE:
            b.elem = sizeof(double);
            break;
        case SQL_C_BIT:
            b.elem = 1;
            break;
        case SQL_C_TYPE_TIMESTAMP:
            b.elem = sizeof(SQL_TIMESTAMP_STRUCT);
            break;
        default: {
            int chars = hint > 0 ? hint : (ci.size > 0 && ci.size < 255 ? ci.size : 255);
            if (ci.type != FieldType::String)
                chars = 64;
            b.elem = size_t(qBound(1, chars, 8190)) * 4 + 1;
            break;
        }
        }
        rowBytes += b.elem + sizeof(SQLLEN);
    }
    plan.rows = SQLULEN(qBound<size_t>(1, (1u << 20) / qMax<size_t>(1, rowBytes), 512));
    for (BoundColumn &b : plan.columns) {
        if (b.elem == 0)
            continue;
        b.data.assign(b.elem * plan.rows, 0);
        b.ind.assign(plan.rows, 0);
    }
    return plan;
}

// Binds the plan's arrays to the statement, rows fetched and their status
// going to the given places; unbindFetch undoes it.
void bindFetch(SQLHSTMT stmt, FetchPlan &plan, SQLULEN *fetched, SQLUSMALLINT *status)
{
    for (size_t c = 0; c < plan.columns.size(); ++c) {
        BoundColumn &b = plan.columns[c];
        if (b.elem == 0)
            continue;
        check(SQLBindCol(stmt, SQLUSMALLINT(c + 1), b.ctype, b.data.data(), SQLLEN(b.elem),
                         b.ind.data()),
              SQL_HANDLE_STMT, stmt, "SQLBindCol");
    }
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN),
                   0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(plan.rows), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, fetched, 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, status, 0);
}

void unbindFetch(SQLHSTMT stmt)
{
    SQLFreeStmt(stmt, SQL_UNBIND);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
}

// The value of the cell of row r of the block in column c. A text longer
// than its cell (and than the characters it keeps) is read again whole from
// its row.
QVariant decodeCell(SQLHSTMT stmt, BoundColumn &b, SQLULEN r, int c)
{
    if (b.elem == 0)
        return QVariant();
    const SQLLEN ind = b.ind[r];
    if (ind == SQL_NULL_DATA)
        return QVariant();
    const char *cell = b.data.data() + b.elem * r;
    if (b.ctype != SQL_C_CHAR)
        return binaryCell(b.ctype, b.type, cell);
    const bool cut = ind == SQL_NO_TOTAL || size_t(ind) >= b.elem;
    // a cell of 4 bytes per character holds the characters kept
    const bool enough = b.maxChars > 0 && b.maxChars <= int(b.elem / 4);
    if (cut && !enough) {
        check(SQLSetPos(stmt, SQLSETPOSIROW(r + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE),
              SQL_HANDLE_STMT, stmt, "SQLSetPos");
        const QByteArray whole = readWholeText(stmt, c);
        return textToValue(decodeText(whole.constData(), whole.size(), b.maxChars), b.type);
    }
    const qsizetype len = qsizetype(strnlen(cell, size_t(cut ? b.elem - 1 : size_t(ind))));
    if (b.type == FieldType::String)
        return b.texts.Text(cell, len, [&] { return decodeText(cell, len, b.maxChars); });
    return textToValue(decodeText(cell, len, b.maxChars), b.type);
}

} // namespace

void TStatement::FetchAll(const std::function<void(QVector<QVariant> &)> &onRow,
                          const QVector<int> &sizeHints, qint64 refetch)
{
    requireHandle(d->stmt);
    const int ncols = int(m_columns.size());
    if (ncols == 0)
        return;
    FetchPlan plan = planFetch(m_columns, sizeHints);
    SQLULEN fetched = 0;
    std::vector<SQLUSMALLINT> status(plan.rows);
    SQLHSTMT stmt = d->stmt;
    QVector<QVariant> row(ncols);
    try {
        bindFetch(stmt, plan, &fetched, status.data());
        qint64 inResult = 0; // rows of the current result
        while (true) {
            const SQLRETURN rc = SQLFetch(stmt);
            if (rc == SQL_NO_DATA) {
                if (refetch <= 0 || inResult < refetch)
                    break;
                // the cursor may hold more: the next rows, into the same
                // bindings and the same texts
                SQLCloseCursor(stmt);
                check(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "SQLExecute");
                inResult = 0;
                continue;
            }
            check(rc, SQL_HANDLE_STMT, stmt, "SQLFetch");
            inResult += qint64(fetched);
            for (SQLULEN r = 0; r < fetched; ++r) {
                if (status[r] == SQL_ROW_NOROW || status[r] == SQL_ROW_ERROR)
                    continue;
                for (int c = 0; c < ncols; ++c)
                    row[c] = decodeCell(stmt, plan.columns[size_t(c)], r, c);
                onRow(row);
            }
        }
    } catch (...) {
        unbindFetch(stmt);
        CloseCursor();
        throw;
    }
    unbindFetch(stmt);
    CloseCursor();
}

QVariant TStatement::FetchScalar()
{
    QVariant result;
    bool first = true;
    FetchAll([&](QVector<QVariant> &row) {
        if (first && !row.isEmpty())
            result = row[0];
        first = false;
    });
    return result;
}
