// The building address import: every record of a dBase file of building
// addresses goes into the staging table str_doma, upd_buildings() updates the
// buildings from it and str_doma is emptied again, all in one transaction.
#include "data/dmfrm.h"

#include "data/dberrors.h"
#include "data/dbftable.h"
#include "data/importprogress.h"
#include "data/sqlident.h"

namespace {

// Records go to the server in parameter arrays of this many rows; an array
// ends where the progress is shown and the cancel request is looked at.
constexpr int ImportBatch = 100;

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

// Prepares the insert. The server checks the statement against str_doma
// first, so that a field without a column is reported before anything is
// written. The check runs on a statement of its own: a statement the server
// has described is executed by the driver one round trip per row, while the
// insert is to send each parameter array in one.
void prepareInsert(TConnection &connection, TStatement &insert, const QVector<TDbfField> &fields)
{
    const QString sql = insertStatement(fields);
    try {
        TStatement check(connection);
        check.Prepare(sql);
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
    insert.Prepare(sql);
}

EDatabaseError refused(const QString &which, const EDatabaseError &e)
{
    return EDatabaseError(
        QStringLiteral("База данных не приняла %1 файла:\n%2").arg(which, e.message()),
        e.sqlState());
}

// Sends one array of records. A record the driver reports failed or not
// carried out is the one refused, also when it answered the array with
// success: the import then fails on it, and its transaction takes back the
// rest. When the server refuses the array without naming a record, the
// records are tried one by one to name it (the driver takes back the whole
// failed array and keeps the transaction usable). A connection that is gone
// is reported as such: no record is to blame then.
void sendRecords(TConnection &connection, TStatement &insert, const QVector<FieldType> &types,
                 const QVector<QVector<QVariant>> &rows, const QVector<int> &numbers)
{
    if (rows.isEmpty())
        return;
    try {
        insert.ExecuteBatch(types, rows, ImportBatch);
        return;
    } catch (const EBatchRowError &rowError) {
        if (rowError.ConnectionLost())
            throw;
        throw refused(QStringLiteral("запись %1").arg(numbers.value(rowError.Row())), rowError);
    } catch (const EDatabaseError &batchError) {
        if (batchError.ConnectionLost())
            throw;
        connection.RaiseIfLost();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            try {
                insert.ExecuteBatch(types, {rows[i]}, 1);
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

    const auto cleanUp = [&] {
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
        QVector<FieldType> types;
        for (const TDbfField &f : fields)
            types << f.type;
        prepareInsert(*dbConn, insert, fields);

        state.totalRecords = tblSD.RecordCount();
        progress.Start(state);
        shown = true;
        dbConn->BeginTransaction();
        truncate.ExecDirect(QStringLiteral("TRUNCATE TABLE str_doma"));
        state.operation = 0;
        progress.Update(state);

        // Deleted records are passed over as dBase tools do; they still
        // count, since the counter shows the position in the file.
        QVector<QVector<QVariant>> rows;
        QVector<int> numbers;
        rows.reserve(ImportBatch);
        numbers.reserve(ImportBatch);
        const int count = tblSD.RecordCount();
        for (int record = 1; record <= count && !cancelled; ++record) {
            if (!tblSD.IsDeleted(record - 1)) {
                rows.append(QVector<QVariant>());
                tblSD.ReadRecord(record - 1, rows.last());
                numbers << record;
            }
            if (record % ImportBatch == 0 || record == count) {
                sendRecords(*dbConn, insert, types, rows, numbers);
                rows.clear();
                numbers.clear();
                state.currentRecord = record;
                cancelled = progress.Update(state);
            }
        }

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
