#pragma once
// A thin C++ layer over the ODBC C API (unixODBC): RAII handles, typed
// parameters, block fetching, transactions. Texts travel as UTF-8 bytes; the
// connection sets the server's client encoding to UTF8 itself. The C API
// stays inside the layer's own files; code that must reach the driver's
// handles directly (tests, benchmarks) includes data/odbcraw.h.

#include "data/fieldtype.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>

// Builds the connection string for the metering database. The server may be a
// host name, an IP address, "host:port", "[v6address]:port" or an absolute
// socket folder. Values with characters special to the connection string are
// put in braces.
QString BuildConnectionString(const QString &server, const QString &database, const QString &user,
                              const QString &password);
// Quotes one connection-string value if it needs it.
QString QuoteConnValue(const QString &value);

// An SQL text whose ":name" parameters were replaced by "?".
struct ParsedSql {
    QString sql;
    QStringList names; // one per "?", in order (a name may repeat)
};
// Finds the named parameters, skipping string literals, quoted identifiers,
// dollar quotes, comments and "::" casts.
ParsedSql ParseNamedParams(const QString &sql);

// A value bound to a statement parameter.
struct BoundValue {
    FieldType type = FieldType::String;
    QVariant value; // null for SQL NULL
};

// Result column metadata as the driver describes it.
struct ColumnInfo {
    QString name;
    FieldType type = FieldType::String;
    int size = 0; // characters for texts
    int sqlType = 0;
    QString baseSchema; // the schema of the base table
    QString baseTable;  // empty for computed columns
    QString baseColumn;
};

class TConnection;

class TStatement
{
public:
    explicit TStatement(TConnection &connection);
    ~TStatement();
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;

    void SetQueryTimeout(int seconds);
    void Prepare(const QString &sql); // "?" placeholders
    void Execute(const QVector<BoundValue> &params = {});
    void ExecDirect(const QString &sql, const QVector<BoundValue> &params = {});
    // Runs a prepared statement once per row of parameter values, as ODBC
    // parameter arrays of up to batchSize rows. Returns the rows processed.
    // The driver's status of every row is read: a row it reports failed, or
    // did not carry out, raises EBatchRowError naming it, also when the call
    // as a whole succeeded (the array's other rows may then be written: the
    // caller's transaction decides). A failed array whose rows the driver
    // does not tell apart raises the driver's EDatabaseError.
    qint64 ExecuteBatch(const QVector<FieldType> &types, const QVector<QVector<QVariant>> &rows,
                        int batchSize = 100);

    // Describes the result columns of a prepared statement without running it.
    void DescribePrepared();
    // Rows affected by the last INSERT, UPDATE or DELETE.
    qint64 RowCount();
    const QVector<ColumnInfo> &Columns() const { return m_columns; }
    // Fetches every remaining row, in blocks of rows. sizeHints (by column
    // index, may be shorter) caps the characters kept of a text column; 0
    // keeps the whole value; a negative hint leaves the column unread (null).
    // With refetch, the statement fetches that many rows from a cursor
    // (FETCH FORWARD n FROM ...): it is executed again as long as a result
    // brings that many, and the rows of all results come as one.
    void FetchAll(const std::function<void(QVector<QVariant> &row)> &onRow,
                  const QVector<int> &sizeHints = {}, qint64 refetch = 0);
    // Fetches the first column of the first row (null when there is none).
    QVariant FetchScalar();
    void CloseCursor();

private:
    void bindParams(const QVector<BoundValue> &params);
    void describe();
    void freeStatement();

    struct Impl; // the driver's handle and the buffers bound to it
    std::unique_ptr<Impl> d;
    TConnection &m_conn;
    QVector<ColumnInfo> m_columns;
    friend class TConnection;
    friend struct OdbcRaw;
};

// The one connection to the database. Closing it first tells every listener
// (datasets, statements) so that they release what they hold.
class TConnection : public QObject
{
    Q_OBJECT
public:
    explicit TConnection(QObject *parent = nullptr);
    ~TConnection() override;

    // Opens with a full connection string; throws EDatabaseError. The login
    // time-out (seconds, 0 for none) reaches libpq as connect_timeout: a
    // string that gives one in pqopt is opened with 0, the driver taking the
    // two for a conflict.
    void Open(const QString &connectionString, int loginTimeout = 30);
    void Close();
    bool IsOpen() const;
    // Open, but the driver knows the server is gone (the session ended or
    // the link broke): only Close helps.
    bool IsLost() const;
    // After a failure that the driver did not report as a lost connection
    // (a statement sent after the server went away may fail with a general
    // error): asks the server, with one round trip, whether the session
    // still works. Raises the driver's EDatabaseError when it does not: the
    // link is gone or the session is of no further use. Returns otherwise.
    void RaiseIfLost();

    void BeginTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const { return m_inTransaction; }

    // Runs a statement without a result; returns the affected row count.
    qint64 Execute(const QString &sql, const QVector<BoundValue> &params = {});

    void RequireOpen() const;

signals:
    void Opened();
    void AboutToClose();
    void Closed();

private:
    struct Impl; // the driver's connection handle
    std::unique_ptr<Impl> d;
    bool m_inTransaction = false;
    friend class TStatement;
    friend struct OdbcRaw;
};

// Rolls back a transaction unless it was committed.
class TTransaction
{
public:
    explicit TTransaction(TConnection &connection);
    ~TTransaction();
    void Commit();

private:
    TConnection &m_conn;
    bool m_done = false;
};
