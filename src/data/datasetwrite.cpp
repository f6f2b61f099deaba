// The write side of datasets: edit and insert states, posting rows back to
// the update table, deleting by key.
#include "data/dataset.h"

#include "data/datasource.h"
#include "data/dberrors.h"
#include "data/sqlident.h"

#include <optional>

namespace {

void runHandlers(const std::vector<TDataSet::Handler> &handlers, TDataSet &ds)
{
    for (const TDataSet::Handler &h : handlers)
        h(ds);
}

// The table name of "schema.table" or "table", each part quoted. The update
// table and its columns come from the driver's description of the result
// (that is, from the database) or from the dataset's definition.
QString quoteTable(const QString &table)
{
    QStringList parts = table.split(QLatin1Char('.'));
    for (QString &p : parts)
        p = QuoteIdentifier(p);
    return parts.join(QLatin1Char('.'));
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a == b;
}

} // namespace

void TDataSet::SetKeyField(const QString &fields)
{
    m_keyField = fields;
    m_keyFields.clear();
    for (const QString &f : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!f.trimmed().isEmpty())
            m_keyFields << f.trimmed();
    m_plan.valid = false;
}

void TDataSet::SetUpdateTable(const QString &table)
{
    m_updateTable = table;
    m_plan.valid = false;
}

QString TDataSet::UpdateTable() const
{
    if (!m_updateTable.isEmpty())
        return m_updateTable;
    // The driver names the base table of every column read from a table.
    // The key's column tells which of the tables of a join is written;
    // without a key, the first column read from a table does.
    const auto tableOf = [](const ColumnInfo &c) {
        return c.baseSchema.isEmpty() || c.baseTable.isEmpty()
            ? c.baseTable
            : c.baseSchema + QLatin1Char('.') + c.baseTable;
    };
    for (const QString &key : m_keyFields)
        for (const ColumnInfo &c : m_columns)
            if (!c.baseTable.isEmpty() && c.name.compare(key, Qt::CaseInsensitive) == 0)
                return tableOf(c);
    for (const ColumnInfo &c : m_columns)
        if (!c.baseTable.isEmpty())
            return tableOf(c);
    return QString();
}

void TDataSet::SetBaseColumn(const QString &field, const QString &column)
{
    m_baseColumns.insert(field.toLower(), column);
    m_plan.valid = false;
}

void TDataSet::ensureColumns()
{
    // A detail of an empty master was never run: describe its statement.
    if (!m_columns.isEmpty() || !m_conn || !m_conn->IsOpen())
        return;
    if (!m_stmt) {
        m_stmt = std::make_unique<TStatement>(*m_conn);
        m_stmt->Prepare(m_parsed.sql);
    }
    m_stmt->DescribePrepared();
    setColumns(m_stmt->Columns());
}

const TDataSet::WritePlan &TDataSet::writePlan()
{
    ensureColumns();
    if (m_plan.valid)
        return m_plan;
    WritePlan plan;
    plan.table = UpdateTable();
    const QString table = plan.table.section(QLatin1Char('.'), -1);
    for (int i = 0; i < m_fields.size(); ++i) {
        const TFieldDef &f = m_fields[i];
        QString column;
        const auto explicitColumn = m_baseColumns.constFind(f.name.toLower());
        if (explicitColumn != m_baseColumns.constEnd()) {
            column = *explicitColumn;
        } else if (f.kind == FieldKind::Data && !f.readOnly) {
            for (const ColumnInfo &c : m_columns) {
                if (c.name.compare(f.name, Qt::CaseInsensitive) != 0)
                    continue;
                // a computed column has no base table; one of a joined table
                // is not written here
                if (!c.baseTable.isEmpty() && c.baseTable.compare(table, Qt::CaseInsensitive) == 0)
                    column = c.baseColumn.isEmpty() ? f.name : c.baseColumn;
                break;
            }
        }
        plan.columns << column;
    }
    for (const QString &key : m_keyFields)
        plan.keys << FieldIndex(key); // an unknown one fails where a key is needed
    plan.valid = true;
    m_plan = plan;
    return m_plan;
}

QString TDataSet::baseColumn(int field)
{
    return writePlan().columns.value(field);
}

QString TDataSet::keyColumn(int field)
{
    const QString column = baseColumn(field);
    if (!column.isEmpty())
        return column;
    // a key that is never written (read-only) still names its column
    for (const ColumnInfo &c : m_columns)
        if (c.name.compare(m_fields[field].name, Qt::CaseInsensitive) == 0 &&
            !c.baseTable.isEmpty() && !c.baseColumn.isEmpty())
            return c.baseColumn;
    return m_fields[field].name;
}

void TDataSet::executeOneRow(const QString &sql, const QVector<BoundValue> &values,
                             const QString &noneMessage, const QString &manyMessage,
                             const std::function<void()> &check)
{
    // A key that is no key of the table would change every row it matches:
    // the statement runs in a transaction of its own (a savepoint inside the
    // caller's) and is undone unless it touched exactly one row.
    const bool nested = m_conn->InTransaction();
    std::optional<TTransaction> transaction;
    if (nested)
        m_conn->Execute(QStringLiteral("SAVEPOINT kestrum_row"));
    else
        transaction.emplace(*m_conn);
    qint64 rows = 0;
    try {
        if (check)
            check();
        rows = m_conn->Execute(sql, values);
    } catch (...) {
        if (nested) {
            try {
                m_conn->Execute(QStringLiteral("ROLLBACK TO SAVEPOINT kestrum_row"));
            } catch (...) {
            }
        }
        throw; // the transaction rolls back as it goes
    }
    if (rows == 1) {
        if (nested)
            m_conn->Execute(QStringLiteral("RELEASE SAVEPOINT kestrum_row"));
        else
            transaction->Commit();
        return;
    }
    if (nested)
        m_conn->Execute(QStringLiteral("ROLLBACK TO SAVEPOINT kestrum_row"));
    else
        transaction.reset();
    if (rows == 0)
        throw EDatabaseError(noneMessage);
    throw EDatabaseError(manyMessage.arg(rows));
}

bool TDataSet::IsWritable(int field) const
{
    if (field < 0 || field >= m_fields.size())
        return false;
    const TFieldDef &f = m_fields[field];
    if (m_baseColumns.contains(f.name.toLower()))
        return true;
    return f.kind == FieldKind::Data && !f.readOnly;
}

void TDataSet::Edit()
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("%1: набор данных закрыт").arg(objectName()));
    if (IsEditing())
        return;
    if (m_readOnly)
        throw EDatabaseError(
            QStringLiteral("%1: набор данных только для чтения").arg(objectName()));
    if (m_current < 0)
        throw EDatabaseError(QStringLiteral("Нет записи для редактирования"));
    m_backup = m_rows.Row(m_current);
    m_assigned = QVector<bool>(m_fields.size(), false);
    m_postRefused = false;
    m_state = State::Edit;
    notify(RowChange);
}

void TDataSet::Append()
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("%1: набор данных закрыт").arg(objectName()));
    if (m_readOnly)
        throw EDatabaseError(
            QStringLiteral("%1: набор данных только для чтения").arg(objectName()));
    postDetails();
    if (IsEditing())
        Post();
    runHandlers(BeforeInsert, *this);

    QVector<QVariant> row(m_fields.size());
    m_assigned = QVector<bool>(m_fields.size(), false);
    // a new detail row takes its master's linked fields
    TDataSet *m = masterDataSet();
    if (m && m->Active() && m->RecNo() >= 0) {
        for (const TParam &p : m_params) {
            const int own = FieldIndex(p.name);
            const int theirs = m->FieldIndex(p.name);
            if (own >= 0 && theirs >= 0 && m_fields[own].kind == FieldKind::Data) {
                row[own] = m->Value(m->RecNo(), theirs);
                m_assigned[own] = !row[own].isNull();
            }
        }
    }
    const int at = int(m_rows.size());
    m_rowBeforeInsert = m_current;
    emit AboutToInsertRow(at);
    m_rows.append(row);
    m_current = at;
    m_state = State::Insert;
    m_postRefused = false;
    m_backup.clear();
    // the rows before keep their places: only the fields given a value differ
    for (int i = 0; i < m_assigned.size(); ++i)
        if (m_assigned[i])
            invalidateIndex(i);
    emit RowInserted(at);
    try {
        runHandlers(OnNewRecord, *this);
    } catch (...) {
        Cancel();
        throw;
    }
    notify(RowChange);
}

void TDataSet::SetValue(int field, const QVariant &value)
{
    if (field < 0 || field >= m_fields.size())
        throw EDatabaseError(QStringLiteral("%1: нет такого поля").arg(objectName()));
    const TFieldDef &f = m_fields[field];
    if (f.kind != FieldKind::Data)
        throw EDatabaseError(QStringLiteral("Поле '%1' нельзя изменить").arg(f.name));
    if (!IsEditing())
        Edit();
    const QVariant v = CoerceValue(value, f.type);
    const QVariant cell = m_rows.Value(m_current, field);
    m_assigned[field] = true;
    if (sameValue(cell, v) && cell.typeId() == v.typeId())
        return;
    m_rows.SetValue(m_current, field, v);
    m_postRefused = false;
    invalidateIndex(field);
    emit ValueChanged(m_current, field);
    for (const FieldHandler &h : OnFieldChange)
        h(*this, field);
    notify(field);
}

void TDataSet::SetFieldValue(const QString &name, const QVariant &value)
{
    SetValue(RequireField(name), value);
}

void TDataSet::Post()
{
    if (!Active()) {
        // Closed while its row was edited (a lost connection closes every
        // dataset): what was typed is gone unsaved, which is no success.
        if (m_conn)
            m_conn->RequireOpen();
        throw EDatabaseError(QStringLiteral("%1: набор данных закрыт").arg(objectName()));
    }
    if (!IsEditing())
        return;
    try {
        writeRow();
    } catch (...) {
        // remembered until the row changes: the refusal has been told, and
        // a post that only follows it (leaving the row's grid) would be
        // refused once more
        m_postRefused = IsEditing();
        throw;
    }
}

void TDataSet::writeRow()
{
    runHandlers(BeforePost, *this);
    m_conn->RequireOpen();
    const WritePlan &plan = writePlan();
    if (plan.table.isEmpty())
        throw EDatabaseError(QStringLiteral("%1: не задана таблица для записи").arg(objectName()));
    const QVector<QVariant> row = m_rows.Row(m_current);

    if (m_state == State::Insert) {
        QStringList columns, marks;
        QVector<BoundValue> values;
        for (int i = 0; i < m_fields.size(); ++i) {
            if (!m_assigned.value(i) || row[i].isNull())
                continue; // left to the server's default
            const QString &column = plan.columns[i];
            if (column.isEmpty())
                continue;
            columns << QuoteIdentifier(column);
            marks << QStringLiteral("?");
            values.append(BoundValue{m_fields[i].type, row[i]});
        }
        const QString sql = columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteTable(plan.table))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoteTable(plan.table), columns.join(QLatin1String(", ")),
                       marks.join(QLatin1String(", ")));
        m_conn->Execute(sql, values);
    } else {
        QStringList sets;
        QVector<BoundValue> values;
        QVector<int> changed;
        for (int i = 0; i < m_fields.size(); ++i) {
            if (sameValue(row[i], m_backup.value(i)))
                continue;
            const QString &column = plan.columns[i];
            if (column.isEmpty())
                continue;
            sets << QuoteIdentifier(column) + QStringLiteral(" = ?");
            values.append(BoundValue{m_fields[i].type, row[i]});
            changed << i;
        }
        if (!sets.isEmpty()) {
            const QString where = keyCondition(m_backup, &values,
                                               QStringLiteral("Запись без ключа не может быть "
                                                              "сохранена"));
            executeOneRow(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                              .arg(quoteTable(plan.table), sets.join(QLatin1String(", ")), where),
                          values,
                          QStringLiteral("Запись не сохранена: она изменена или удалена другим "
                                         "пользователем. Обновите список и повторите изменение."),
                          QStringLiteral("Запись не сохранена: ее ключ (%1) указывает в таблице "
                                         "%2 не на одну запись, а на %3. Изменение отменено.")
                              .arg(m_keyFields.join(QLatin1String(", ")), plan.table),
                          [&] { checkUnchangedByOthers(changed); });
        }
    }
    m_state = State::Browse;
    m_backup.clear();
    m_assigned.clear();
    m_postRefused = false;
    emit ValueChanged(m_current, -1);
    notify(RowChange);
    runHandlers(AfterPost, *this);
}

QString TDataSet::keyCondition(const QVector<QVariant> &row, QVector<BoundValue> *values,
                               const QString &noKey)
{
    const WritePlan &plan = writePlan();
    if (plan.keys.isEmpty())
        throw EDatabaseError(QStringLiteral("%1: не задано ключевое поле").arg(objectName()));
    QStringList terms;
    for (int i = 0; i < plan.keys.size(); ++i) {
        const int key = plan.keys[i] >= 0 ? plan.keys[i] : RequireField(m_keyFields[i]);
        const QVariant value = row.value(key);
        if (value.isNull())
            throw EDatabaseError(noKey);
        terms << QuoteIdentifier(keyColumn(key)) + QStringLiteral(" = ?");
        values->append(BoundValue{m_fields[key].type, value});
    }
    return terms.join(QLatin1String(" AND "));
}

void TDataSet::checkUnchangedByOthers(const QVector<int> &fields)
{
    // The stored values are read back through the driver exactly as the
    // list read them, so that a value compares equal to itself whatever the
    // column's type (a real read as text and bound as a double would not).
    const WritePlan &plan = writePlan();
    QStringList columns;
    for (int f : fields)
        columns << QuoteIdentifier(plan.columns[f]);
    QVector<BoundValue> keys;
    const QString where = keyCondition(m_backup, &keys, QString());
    TStatement st(*m_conn);
    st.ExecDirect(QStringLiteral("SELECT %1 FROM %2 WHERE %3 FOR UPDATE")
                      .arg(columns.join(QLatin1String(", ")), quoteTable(plan.table), where),
                  keys);
    QVector<QVariant> stored;
    int rows = 0;
    st.FetchAll([&](QVector<QVariant> &row) {
        if (++rows == 1)
            stored = row; // the row buffer is the fetch's own
    });
    if (rows != 1)
        return; // none or several: the update itself refuses them
    QStringList differing;
    for (int i = 0; i < fields.size(); ++i) {
        const TFieldDef &f = m_fields[fields[i]];
        QVariant now = CoerceValue(stored.value(i), f.type);
        if (f.type == FieldType::String && f.size > 0 && now.toString().size() > f.size)
            now = now.toString().left(f.size);
        if (!sameValue(now, CoerceValue(m_backup.value(fields[i]), f.type)))
            differing << plan.columns[fields[i]];
    }
    if (!differing.isEmpty())
        throw EDatabaseError(
            QStringLiteral("Запись не сохранена: ее уже изменил другой пользователь (%1). "
                           "Его изменение сохранено; обновите список и повторите свое.")
                .arg(differing.join(QLatin1String(", "))));
}

void TDataSet::Cancel()
{
    if (!IsEditing())
        return;
    if (m_state == State::Insert) {
        const int at = m_current;
        // browse first: a view that moves off the vanishing row must not post it
        m_state = State::Browse;
        emit AboutToRemoveRow(at);
        m_rows.removeAt(at);
        m_current = m_rows.isEmpty() ? -1 : qBound(0, m_rowBeforeInsert, int(m_rows.size()) - 1);
        invalidateIndexes();
        emit RowRemoved(at);
    } else {
        m_rows.SetRow(m_current, m_backup);
        m_state = State::Browse;
        for (int i = 0; i < m_assigned.size(); ++i)
            if (m_assigned[i])
                invalidateIndex(i);
        emit ValueChanged(m_current, -1);
    }
    m_backup.clear();
    m_assigned.clear();
    m_postRefused = false;
    notify(RowChange);
}

void TDataSet::Delete()
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("%1: набор данных закрыт").arg(objectName()));
    if (m_readOnly)
        throw EDatabaseError(
            QStringLiteral("%1: набор данных только для чтения").arg(objectName()));
    if (m_state == State::Insert) {
        Cancel();
        return;
    }
    if (m_current < 0)
        return;
    runHandlers(BeforeDelete, *this);
    postDetails();
    if (m_state == State::Edit)
        Cancel();
    m_conn->RequireOpen();
    const WritePlan &plan = writePlan();
    QVector<BoundValue> values;
    const QString where = keyCondition(m_rows.Row(m_current), &values,
                                       QStringLiteral("Запись без ключа не может быть удалена"));
    executeOneRow(QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoteTable(plan.table), where),
                  values,
                  QStringLiteral("Запись не удалена: она уже изменена или удалена другим "
                                 "пользователем. Обновите список."),
                  QStringLiteral("Запись не удалена: ее ключ (%1) указывает в таблице %2 не на "
                                 "одну запись, а на %3. Удаление отменено.")
                      .arg(m_keyFields.join(QLatin1String(", ")), plan.table));
    const int at = m_current;
    emit AboutToRemoveRow(at);
    m_rows.removeAt(at);
    m_current = m_rows.isEmpty() ? -1 : qMin(at, int(m_rows.size()) - 1);
    invalidateIndexes();
    emit RowRemoved(at);
    notify(RowChange);
    runHandlers(AfterDelete, *this);
}
