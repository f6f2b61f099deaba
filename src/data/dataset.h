#pragma once
// The dataset engine: a query with named parameters whose whole result is held
// in memory, with declared fields, lookup fields, an optional master, a current
// row and the record events the data module hangs its rules on.

#include "data/fieldtype.h"
#include "data/datasource.h"
#include "data/lookupkey.h"
#include "data/odbc.h"
#include "data/rowstore.h"
#include "data/stablelist.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TDataSource;

// What a dataset reads, copied whole, so that the result may be read on
// another connection and thread (see data/readahead.h).
struct TReadRequest {
    struct Field {
        QString name;
        FieldType type = FieldType::String;
        int size = 0;
        bool data = true; // a column of the result (not a lookup)
    };
    QString dataSet;            // the asking dataset's name, for messages
    QString sql;                // with "?" placeholders
    QVector<BoundValue> values; // one per "?"
    QVector<Field> fields;      // empty: the fields are the result's columns
};

// A result as read: its columns, and its rows with one value per field of
// the request (lookup fields null).
struct TReadResult {
    QVector<ColumnInfo> columns;
    TRowStore rows;
};

// Executes a request on a statement that holds its SQL prepared and reads
// every row: the columns a field shows are read and converted to the
// field's type, the others are not read at all. With refetch, the
// statement fetches that many rows of a cursor declared for the request
// (see TStatement::FetchAll).
TReadResult ReadResult(TStatement &statement, const TReadRequest &request, qint64 refetch = 0);

// Hands over results read before their datasets asked for them.
class IReadAhead
{
public:
    virtual ~IReadAhead() = default;
    // The result read for the dataset, waiting for it where it is still
    // being read; raises the failure of reading it. False when it was not
    // read ahead: the dataset reads it itself.
    virtual bool Take(const TDataSet *dataSet, TReadResult &result) = 0;
};

enum class FieldKind {
    Data,   // a column of the result
    Lookup, // taken from another dataset by key
};

struct TFieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0; // characters, texts only; 0 = as the driver says
    FieldKind kind = FieldKind::Data;
    bool readOnly = false; // never written back (computed columns)
    QString editMask;
    QString displayFormat; // dates: a QDateTime format; empty = the default
    // lookups
    QString keyField;
    QPointer<TDataSet> lookupDataSet;
    QString lookupKeyField;
    QString lookupResultField;
};

struct TParam {
    QString name;
    FieldType type = FieldType::String;
    QVariant value;
};

class TDataSet : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Handler = std::function<void(TDataSet &)>;
    // What DataChanged reports besides a field index.
    static constexpr int RowChange = -1;     // another current row, or the state
    static constexpr int ContentChange = -2; // opened, run again or thawed

    TDataSet(const QString &name, TConnection *connection, QObject *parent = nullptr);
    ~TDataSet() override;

    // ---- definition
    void SetSQL(const QString &sql);
    const QString &SQL() const { return m_sql; }
    // The parameter and field definitions never move: the reference AddParam,
    // AddField and AddLookupField return stays valid for the dataset's life.
    TParam &AddParam(const QString &name, FieldType type, const QVariant &initial = QVariant());
    void SetParamValue(const QString &name, const QVariant &value);
    QVariant ParamValue(const QString &name) const;
    const TStableList<TParam> &Params() const { return m_params; }
    TFieldDef &AddField(const QString &name, FieldType type, int size = 0);
    TFieldDef &AddLookupField(const QString &name, FieldType type, int size,
                              const QString &keyField, TDataSet *lookupDataSet,
                              const QString &lookupKeyField, const QString &lookupResultField);
    void SetMaster(TDataSource *master);
    TDataSource *Master() const { return m_master; }
    // The datasets whose master this dataset is.
    QVector<TDataSet *> Details() const
    {
        QVector<TDataSet *> list;
        for (const QPointer<TDataSet> &d : m_details)
            if (d)
                list << d;
        return list;
    }
    TConnection *Connection() const { return m_conn; }

    // Handlers run around each Open (not around a re-run).
    std::vector<Handler> BeforeOpen;
    std::vector<Handler> AfterOpen;
    // Instead of AfterOpen when the open fails, also when the dataset opened
    // but a detail failed to follow it.
    std::vector<Handler> OpenFailed;
    // Record events. A handler refuses by throwing (EAbort for a silent
    // refusal); a refused Append or Delete changes nothing.
    using FieldHandler = std::function<void(TDataSet &, int field)>;
    std::vector<Handler> BeforeInsert; // before a new row is appended
    std::vector<Handler> OnNewRecord;  // the new row exists: fill defaults
    std::vector<Handler> BeforePost;
    std::vector<Handler> AfterPost; // after a successful post
    std::vector<Handler> BeforeDelete;
    std::vector<Handler> AfterDelete;
    std::vector<FieldHandler> OnFieldChange;

    // Where posted rows go: the update table and the key. The key is one
    // field or several separated by ";" ("utype;unitid"); an update or a
    // delete must touch exactly the one row the key names. The update table
    // is, unless set here, the base table the driver reports for the key's
    // column (for the first column of a table when no key is set); a
    // field's column there comes from the driver's base-column facts unless
    // set here.
    void SetKeyField(const QString &fields);
    const QString &KeyField() const { return m_keyField; }
    const QStringList &KeyFields() const { return m_keyFields; }
    void SetUpdateTable(const QString &table);
    // Empty while the result columns are unknown (before the first run).
    QString UpdateTable() const;
    void SetBaseColumn(const QString &field, const QString &column);
    // A read-only dataset refuses Edit, Append and Delete.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool ReadOnly() const { return m_readOnly; }

    // ---- life cycle
    void Open();
    void Close();
    // Runs the query again with the current parameters; the first row becomes
    // current. No open handlers run.
    void Requery();
    // What Open would read, for a dataset without a master whose fields are
    // declared; raises for an undeclared parameter.
    TReadRequest ReadRequest() const;
    // While set, Open takes its result from there when it was read ahead.
    void SetReadAhead(IReadAhead *source) { m_readAhead = source; }
    bool Active() const { return m_state != State::Inactive; }
    State GetState() const { return m_state; }

    // ---- rows
    int RecordCount() const { return int(m_rows.size()); }
    bool IsEmpty() const { return m_rows.isEmpty(); }
    int RecNo() const { return m_current; } // -1 when empty
    // Moving the current row, re-running, appending or deleting first posts
    // the rows that details of this dataset are editing (a detail row
    // belongs to the current row); if such a post fails, nothing moves and
    // the error is raised.
    void SetRecNo(int row);
    void First() { SetRecNo(0); }
    void Last() { SetRecNo(RecordCount() - 1); }
    void Next() { SetRecNo(m_current + 1); }
    void Prior() { SetRecNo(m_current - 1); }
    // Moves to the first row whose field equals value exactly; false (and no
    // move) when there is none.
    bool Locate(const QString &field, const QVariant &value);

    // ---- editing
    // Puts the current row into edit state (nothing when already editing).
    void Edit();
    // Posts a pending edit, then appends a new row in insert state; a detail
    // row copies its master's linked fields.
    void Append();
    // Writes the edited or new row to the update table; back to browse. A
    // dataset that was closed under its edit fails: the row was not saved.
    void Post();
    // The row being edited was refused by its last post and has not changed
    // since: posting it again would only be refused again.
    bool PostRefused() const { return m_postRefused && IsEditing(); }
    // Drops the changes; a new row disappears.
    void Cancel();
    // Deletes the current row in the database and from the dataset.
    void Delete();
    bool IsEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    // Sets a field of the current row, putting a browsed row into edit state.
    void SetValue(int field, const QVariant &value);
    void SetFieldValue(const QString &name, const QVariant &value);
    // Whether a field is written back (data fields that are not read-only).
    bool IsWritable(int field) const;

    // ---- fields
    const TStableList<TFieldDef> &Fields() const { return m_fields; }
    int FieldIndex(const QString &name) const; // -1 when unknown
    int RequireField(const QString &name) const;
    QVariant Value(int row, int field) const;
    QVariant FieldValue(const QString &name) const; // of the current row
    QString DisplayText(int row, int field) const;
    // The row whose field equals the key (through a hash index kept per
    // field until that field changes), -1 if none.
    int FindRow(int field, const QVariant &key) const;

    // ---- freezing
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // Base-table facts of the result columns, for writing rows back.
    const QVector<ColumnInfo> &ResultColumns() const { return m_columns; }

signals:
    // Structural changes, always reported (the Qt models follow them).
    void AboutToReset();
    void Reset();
    // A field changed (its index), the current row or the state changed
    // (RowChange), or the content was reset (ContentChange); held back while
    // controls are disabled.
    void DataChanged(int field);
    // A lookup source was re-read: lookup columns show other values.
    void LookupsChanged();
    void ValueChanged(int row, int field);
    void AboutToInsertRow(int row);
    void RowInserted(int row);
    void AboutToRemoveRow(int row);
    void RowRemoved(int row);

private:
    // Reports a change to the data sources. Every dependant is told, also
    // when one fails; the first failure is raised afterwards.
    void notify(int field);
    void emitDataChanged(int field);
    void dependantFailed(std::exception_ptr error);
    void resetContent(const std::function<void()> &change);
    void runQuery();
    void masterChanged(int field);
    bool paramsFromMaster();
    TDataSet *masterDataSet() const;
    void postDetails();
    void resolveFields();
    void invalidateIndexes() const;
    // drops the indexes that read a field: its own and those of the lookup
    // fields keyed by it
    void invalidateIndex(int field) const;
    void invalidateLookupIndexes() const;
    void setColumns(const QVector<ColumnInfo> &columns);

    QString m_sql;
    ParsedSql m_parsed;
    TStableList<TParam> m_params;
    TStableList<TFieldDef> m_fields;
    QHash<QString, int> m_fieldByName;
    QPointer<TDataSource> m_master;
    QVector<QPointer<TDataSet>> m_details;
    std::exception_ptr m_dependantError; // the first dependant that failed
    int m_notifying = 0;                 // reports under way
    TConnection *m_conn;
    std::unique_ptr<TStatement> m_stmt;
    QVector<ColumnInfo> m_columns;

    State m_state = State::Inactive;
    TRowStore m_rows; // one value per field; lookups stay null
    int m_current = -1;
    int m_disableCount = 0;
    bool m_pendingNotify = false;

    // lookup fields resolved at open: key field, result field in the source
    struct LookupRef {
        int keyField = -1;
        int sourceKey = -1;
        int sourceResult = -1;
    };
    QHash<int, LookupRef> m_lookups;
    mutable QHash<int, QHash<TLookupKey, int>> m_indexes;
    // fields searched once without an index since their values last changed:
    // the second search builds the index (a single Locate after a re-read
    // needs none)
    mutable QSet<int> m_scanned;

    // writing: where each field goes, worked out once per shape of the result
    struct WritePlan {
        bool valid = false;
        QString table;
        QStringList columns; // per field; empty: not written
        QVector<int> keys;   // the key fields
    };
    const WritePlan &writePlan();
    QString baseColumn(int field);
    void ensureColumns();
    QString keyColumn(int field);
    // "k1 = ? AND k2 = ?" over the key fields, their values from row added
    QString keyCondition(const QVector<QVariant> &row, QVector<BoundValue> *values,
                         const QString &noKey);
    // Runs an update or delete that must touch exactly one row; otherwise it
    // is undone and fails with the message for none or for several rows.
    // check runs first, in the same transaction, and may refuse by throwing.
    void executeOneRow(const QString &sql, const QVector<BoundValue> &values,
                       const QString &noneMessage, const QString &manyMessage,
                       const std::function<void()> &check = {});
    // Locks the row being updated and refuses the update when another user
    // has changed one of the given fields since the row was read.
    void checkUnchangedByOthers(const QVector<int> &fields);
    // The statements of a post and what follows a successful one.
    void writeRow();
    QString m_keyField;
    QStringList m_keyFields;
    QString m_updateTable;
    WritePlan m_plan;
    QHash<QString, QString> m_baseColumns; // field (lower case) -> column
    bool m_readOnly = false;
    QVector<QVariant> m_backup; // the row before Edit
    QVector<bool> m_assigned;   // fields given a value since Edit/Append
    bool m_postRefused = false; // see PostRefused
    int m_rowBeforeInsert = -1;
    int m_resets = 0; // content resets so far, to notice a re-run inside a post
    IReadAhead *m_readAhead = nullptr;
};
