// The building address import: every record of a dBase file of building
// addresses goes into the staging table str_doma, upd_buildings() updates the
// buildings from it and str_doma is emptied again, all in one transaction.
#include "data/dmfrm.h"

#include "data/dberrors.h"
#include "data/dbftable.h"
#include "data/importprogress.h"
#include "data/sqlident.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QScopeGuard>

#include <functional>
#include <future>
#include <optional>

namespace {

// The progress is shown and the cancel request looked at after every this
// many records of the file.
constexpr int ImportBatch = 100;
// Records go to the server this many at a time, in one statement: the
// server's work per statement (a round trip, the plan, the parameters'
// conversion) is then spread over many records.
constexpr int SendBatch = 5000;

// Every field of the file into the column of its lower-case name, quoted
// whatever characters it holds, the values bound by position.
QString insertStatement(const QVector<TDbfField> &fields)
{
    QStringList columns, values;
    for (const TDbfField &f : fields) {
        columns << QuoteIdentifier(f.name.toLower());
        values << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO str_doma (") + columns.join(QLatin1String(", ")) +
        QStringLiteral(") VALUES (") + values.join(QLatin1String(", ")) + QLatin1Char(')');
}

// The server checks the insert against str_doma first, so that a field
// without a column is reported before anything is written.
void checkInsert(TConnection &connection, const QVector<TDbfField> &fields)
{
    try {
        TStatement check(connection);
        check.Prepare(insertStatement(fields));
        check.DescribePrepared();
    } catch (const EDatabaseError &e) {
        if (e.sqlState() == QLatin1String("42703")) {
            for (const TDbfField &f : fields) {
                const QString column = f.name.toLower();
                if (e.message().contains(QLatin1Char('"') + column + QLatin1Char('"')))
                    throw EDatabaseError(QStringLiteral("В таблице str_doma нет столбца «%1» "
                                                        "для поля «%2» файла")
                                             .arg(column, f.name),
                                         e.sqlState());
            }
        }
        throw EDatabaseError(QStringLiteral("Таблица str_doma не принимает поля файла:\n") +
                                 e.message(),
                             e.sqlState());
    }
}

// One field's values of the records sent together go to the server as one
// array parameter, which it unnests into rows. Numbers, dates and logical
// values travel as arrays of their own type and are assigned to the column
// as single values of that type would be; texts are read by the column's
// own type, as a text in a VALUES list is.
struct TArrayColumn {
    FieldType type = FieldType::String;
    QString arrayType;    // "pg_catalog._varchar", "bigint[]", ...
    char delimiter = ','; // between the elements, as the element type has it
};

// The array types of the fields' columns, or none when a text goes to a
// column that has no array type (an array or a composite itself): such
// records are sent row by row. A column's array type is named as the
// catalog names it ("pg_catalog._bpchar"): the SQL names take a length of
// one where none is given ("character[]" is of character(1)).
std::optional<QVector<TArrayColumn>> arrayColumns(TConnection &connection,
                                                  const QVector<TDbfField> &fields)
{
    QHash<QString, QPair<QString, char>> columnTypes;
    TStatement st(connection);
    st.ExecDirect(QStringLiteral(
        "SELECT a.attname, CASE WHEN t.typtype <> 'c' AND t.typcategory <> 'A'"
        "                       THEN quote_ident(n.nspname) || '.' || quote_ident(at.typname)"
        "                  END, t.typdelim::text"
        " FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_type t ON t.oid = a.atttypid"
        " LEFT JOIN pg_catalog.pg_type at ON at.oid = t.typarray"
        " LEFT JOIN pg_catalog.pg_namespace n ON n.oid = at.typnamespace"
        " WHERE a.attrelid = CAST('str_doma' AS regclass) AND a.attnum > 0"
        " AND NOT a.attisdropped"));
    st.FetchAll([&columnTypes](QVector<QVariant> &row) {
        const QString delimiter = row[2].toString();
        columnTypes.insert(
            row[0].toString(),
            {row[1].toString(), delimiter.size() == 1 ? delimiter[0].toLatin1() : ','});
    });
    QVector<TArrayColumn> columns;
    for (const TDbfField &f : fields) {
        TArrayColumn c;
        c.type = f.type;
        switch (f.type) {
        case FieldType::LargeInt:
            c.arrayType = QStringLiteral("bigint[]");
            break;
        case FieldType::Float:
            c.arrayType = QStringLiteral("double precision[]");
            break;
        case FieldType::Date:
            c.arrayType = QStringLiteral("date[]");
            break;
        case FieldType::Boolean:
            c.arrayType = QStringLiteral("boolean[]");
            break;
        default: {
            const auto found = columnTypes.constFind(f.name.toLower());
            if (found == columnTypes.constEnd() || found->first.isEmpty())
                return std::nullopt;
            c.arrayType = found->first;
            c.delimiter = found->second;
            break;
        }
        }
        columns << c;
    }
    return columns;
}

// INSERT INTO str_doma ("a", "b") SELECT * FROM unnest(CAST(? AS t1[]), CAST(? AS t2[]))
QString arrayInsertStatement(const QVector<TDbfField> &fields,
                             const QVector<TArrayColumn> &columns)
{
    QStringList names, arrays;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        names << QuoteIdentifier(fields[i].name.toLower());
        arrays << QStringLiteral("CAST(? AS %1)").arg(columns[i].arrayType);
    }
    return QStringLiteral("INSERT INTO str_doma (") + names.join(QLatin1String(", ")) +
        QStringLiteral(") SELECT * FROM unnest(") + arrays.join(QLatin1String(", ")) +
        QLatin1Char(')');
}

// A text as an array element: in double quotes, with a backslash before
// every double quote and backslash, so that blanks, commas, braces and the
// word NULL stay text.
void appendQuoted(QByteArray &out, const QString &text)
{
    if (text.contains(QChar(0)))
        throw EDatabaseError(QStringLiteral("Текст содержит символ с кодом 0, который база "
                                            "данных не принимает: \"%1\"")
                                 .arg(QString(text).replace(QChar(0), QChar(0xFFFD))),
                             QStringLiteral("22021"));
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    for (const char ch : utf8) {
        if (ch == '"' || ch == '\\')
            out += '\\';
        out += ch;
    }
    out += '"';
}

// The array parameters of records given one by one.
class TArrayParams
{
public:
    explicit TArrayParams(const QVector<TArrayColumn> &columns)
        : m_columns(columns), m_texts(columns.size(), QByteArray(1, '{'))
    {
    }

    void add(const QVector<QVariant> &row)
    {
        for (qsizetype c = 0; c < m_columns.size(); ++c) {
            const TArrayColumn &column = m_columns[c];
            QByteArray &text = m_texts[c];
            if (m_count > 0)
                text += column.delimiter;
            const QVariant &v = row[c];
            if (v.isNull()) {
                text += "NULL";
                continue;
            }
            switch (column.type) {
            case FieldType::LargeInt:
                text += QByteArray::number(v.toLongLong());
                break;
            case FieldType::Float:
                // the shortest text that reads back as the same number
                text += QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
                break;
            case FieldType::Date:
                text += v.toDate().toString(Qt::ISODate).toLatin1();
                break;
            case FieldType::Boolean:
                text += v.toBool() ? 't' : 'f';
                break;
            default:
                appendQuoted(text, v.toString());
                break;
            }
        }
        ++m_count;
    }

    qsizetype count() const { return m_count; }

    QVector<BoundValue> take() const
    {
        QVector<BoundValue> params;
        params.reserve(m_texts.size());
        for (const QByteArray &text : m_texts)
            params << BoundValue{FieldType::String, QString::fromUtf8(text + '}')};
        return params;
    }

private:
    const QVector<TArrayColumn> &m_columns;
    QVector<QByteArray> m_texts;
    qsizetype m_count = 0;
};

EDatabaseError refused(const QString &which, const EDatabaseError &e)
{
    return EDatabaseError(
        QStringLiteral("База данных не приняла %1 файла:\n%2").arg(which, e.message()),
        e.sqlState());
}

// Sends the records (numbers: their record numbers in the file) with
// execute(first, count). When the server refuses them, the records are sent
// one by one to name the one refused (the driver takes back the failed
// statement and keeps the transaction usable); the import then fails on it,
// and its transaction takes back the rest. A record the driver itself names
// (EBatchRowError of a parameter array) is the one refused. A connection
// that is gone is reported as such: no record is to blame then.
void sendRecords(TConnection &connection, const QVector<int> &numbers,
                 const std::function<void(qsizetype first, qsizetype count)> &execute)
{
    if (numbers.isEmpty())
        return;
    try {
        execute(0, numbers.size());
        return;
    } catch (const EBatchRowError &rowError) {
        if (rowError.ConnectionLost())
            throw;
        throw refused(QStringLiteral("запись %1").arg(numbers.value(rowError.Row())), rowError);
    } catch (const EDatabaseError &batchError) {
        if (batchError.ConnectionLost())
            throw;
        connection.RaiseIfLost();
        for (qsizetype i = 0; i < numbers.size(); ++i) {
            try {
                execute(i, 1);
            } catch (const EDatabaseError &e) {
                if (e.ConnectionLost())
                    throw;
                if (e.sqlState() == QLatin1String("25P02")) // the transaction is lost
                    break;
                throw refused(QStringLiteral("запись %1").arg(numbers[i]), e);
            }
        }
        throw refused(QStringLiteral("записи с %1 по %2").arg(numbers.first()).arg(numbers.last()),
                      batchError);
    }
}

// The records sent in one statement: their record numbers in the file and
// either the arrays of them all or, where they go row by row, their values.
struct TReadBatch {
    QVector<int> numbers;
    QVector<BoundValue> params;
    QVector<QVector<QVariant>> rows;
    int last = 0; // the last record read
};

// Reads from record first on (counting from 1) until a batch is full or the
// file ends. Deleted records are passed over as dBase tools do; they still
// count, since the counter shows the position in the file. A text the server
// cannot take leaves the batch without arrays: they are made again record by
// record when it is sent, which names the record.
TReadBatch readBatch(const TDbfTable &table, const std::optional<QVector<TArrayColumn>> &columns,
                     int first)
{
    TReadBatch batch;
    batch.numbers.reserve(SendBatch);
    std::optional<TArrayParams> arrays;
    if (columns)
        arrays.emplace(*columns);
    else
        batch.rows.reserve(SendBatch);
    QVector<QVariant> row;
    const int count = table.RecordCount();
    int record = first;
    for (; record <= count && batch.numbers.size() < SendBatch; ++record) {
        if (table.IsDeleted(record - 1))
            continue;
        table.ReadRecord(record - 1, row);
        batch.numbers << record;
        if (!arrays) {
            batch.rows << row;
            continue;
        }
        try {
            arrays->add(row);
        } catch (const EDatabaseError &) {
            arrays.reset();
        }
    }
    batch.last = record - 1;
    if (arrays && arrays->count() > 0)
        batch.params = arrays->take();
    return batch;
}

} // namespace

void TDM::ImportBuildings(const QString &path, IImportProgress &progress)
{
    dbConn->RequireOpen();
    TStatement truncate(*dbConn);
    TStatement insert(*dbConn);
    TStatement update(*dbConn);
    update.SetQueryTimeout(3600);
    TDbfTable tblSD;
    TImportState state;
    bool shown = false;
    bool cancelled = false;
    std::future<TReadBatch> reading;
    const auto stopReading = [&] {
        if (reading.valid())
            reading.wait();
        reading = {};
    };

    const auto cleanUp = [&] {
        stopReading();
        if (dbConn->InTransaction()) {
            try {
                dbConn->Rollback();
            } catch (...) {
                // the error that ended the import is the one to report
            }
        }
        tblSD.Close();
        if (shown)
            progress.Finish();
    };

    try {
        tblSD.Open(path);
        const QVector<TDbfField> &fields = tblSD.Fields();
        checkInsert(*dbConn, fields);
        QVector<FieldType> types;
        for (const TDbfField &f : fields)
            types << f.type;
        const std::optional<QVector<TArrayColumn>> columns = arrayColumns(*dbConn, fields);
        insert.Prepare(columns ? arrayInsertStatement(fields, *columns) : insertStatement(fields));
        // the reader uses the columns: it is done before they are gone
        const auto readerDone = qScopeGuard(stopReading);

        state.totalRecords = tblSD.RecordCount();
        progress.Start(state);
        shown = true;
        dbConn->BeginTransaction();
        truncate.ExecDirect(QStringLiteral("TRUNCATE TABLE str_doma"));
        state.operation = 0;
        progress.Update(state);

        // The file is read a batch ahead on a thread of its own while the
        // server takes the batch before it; only this thread speaks to the
        // server and the progress window.
        const int count = tblSD.RecordCount();
        if (count > 0)
            reading =
                std::async(std::launch::async, readBatch, std::cref(tblSD), std::cref(columns), 1);
        int reported = 0;
        while (reading.valid() && !cancelled) {
            TReadBatch batch = reading.get();
            if (batch.last < count)
                reading = std::async(std::launch::async, readBatch, std::cref(tblSD),
                                     std::cref(columns), batch.last + 1);
            // the counter every hundred records, as if they were read one by
            // one; a cancel drops the records read but not yet sent
            for (int record = reported + ImportBatch; record < batch.last && !cancelled;
                 record += ImportBatch) {
                state.currentRecord = reported = record;
                cancelled = progress.Update(state);
            }
            if (cancelled)
                break;
            sendRecords(*dbConn, batch.numbers, [&](qsizetype first, qsizetype n) {
                if (!batch.params.isEmpty() && first == 0 && n == batch.numbers.size()) {
                    insert.Execute(batch.params);
                } else if (columns) {
                    // the file is read here again: the reader is done first
                    stopReading();
                    TArrayParams arrays(*columns);
                    QVector<QVariant> row;
                    for (qsizetype i = first; i < first + n; ++i) {
                        tblSD.ReadRecord(batch.numbers[i] - 1, row);
                        arrays.add(row);
                    }
                    insert.Execute(arrays.take());
                } else {
                    insert.ExecuteBatch(types, batch.rows.mid(first, n), ImportBatch);
                }
            });
            if (batch.last % ImportBatch == 0 || batch.last == count) {
                state.currentRecord = reported = batch.last;
                cancelled = progress.Update(state);
            }
        }
        stopReading();

        if (!cancelled) {
            state.operationsDone = 1;
            state.operation = 1;
            progress.Update(state);
            progress.SetBusy(true);
            update.ExecDirect(QStringLiteral("SELECT upd_buildings()"));
            update.CloseCursor();
            progress.SetBusy(false);
            state.operationsDone = 2;
            progress.Update(state);
            truncate.ExecDirect(QStringLiteral("TRUNCATE TABLE str_doma"));
            dbConn->Commit();
            state.operation = 2;
            progress.Update(state);
            progress.Inform(QStringLiteral("Загрузка данных завершена"));
        }
    } catch (...) {
        cleanUp();
        throw;
    }
    cleanUp();

    if (cancelled) {
        progress.Inform(QStringLiteral("Загрузка прервана пользователем"));
        return;
    }
    // An open building list shows the buildings as they are now.
    if (qryBuildings->Active())
        qryBuildings->Requery();
}
