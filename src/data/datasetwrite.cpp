// The write side of datasets: edit and insert states, posting rows back to
// the update table, deleting by key.
#include "data/dataset.h"

#include "data/datasource.h"
#include "data/dberrors.h"

#include <QRegularExpression>

namespace {

void runHandlers(const std::vector<TDataSet::Handler> &handlers, TDataSet &ds)
{
    for (const TDataSet::Handler &h : handlers)
        h(ds);
}

QString quoteIdent(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

// The table name of "schema.table" or "table", each part quoted.
QString quoteTable(const QString &table)
{
    QStringList parts = table.split(QLatin1Char('.'));
    for (QString &p : parts)
        p = quoteIdent(p);
    return parts.join(QLatin1Char('.'));
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a == b;
}

} // namespace

QString TDataSet::UpdateTable() const
{
    if (!m_updateTable.isEmpty())
        return m_updateTable;
    // the first table named after FROM, outside literals and comments
    const ParsedSql p = ParseNamedParams(m_sql);
    static const QRegularExpression from(
        QStringLiteral("\\bFROM\\s+([A-Za-z_][A-Za-z0-9_]*(?:\\.[A-Za-z_][A-Za-z0-9_]*)?)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = from.match(p.sql);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

void TDataSet::SetBaseColumn(const QString &field, const QString &column)
{
    m_baseColumns.insert(field.toLower(), column);
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
    m_columns = m_stmt->Columns();
}

QString TDataSet::baseColumn(int field)
{
    const TFieldDef &f = m_fields[field];
    const auto explicitColumn = m_baseColumns.constFind(f.name.toLower());
    if (explicitColumn != m_baseColumns.constEnd())
        return *explicitColumn;
    if (f.kind != FieldKind::Data || f.readOnly)
        return QString();
    ensureColumns();
    const QString table = UpdateTable();
    for (const ColumnInfo &c : m_columns) {
        if (c.name.compare(f.name, Qt::CaseInsensitive) != 0)
            continue;
        if (c.baseTable.isEmpty() && c.baseColumn.isEmpty())
            return QString(); // computed by the server
        if (!c.baseTable.isEmpty() && c.baseTable.compare(table.section(QLatin1Char('.'), -1),
                                                          Qt::CaseInsensitive) != 0)
            return QString(); // a column of a joined table
        return c.baseColumn.isEmpty() ? f.name : c.baseColumn;
    }
    return f.name;
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
        throw EDatabaseError(QStringLiteral("%1: набор данных только для чтения").arg(objectName()));
    if (m_current < 0)
        throw EDatabaseError(QStringLiteral("Нет записи для редактирования"));
    m_backup = m_rows[m_current];
    m_assigned = QVector<bool>(m_fields.size(), false);
    m_state = State::Edit;
    notify(RowChange);
}

void TDataSet::Append()
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("%1: набор данных закрыт").arg(objectName()));
    if (m_readOnly)
        throw EDatabaseError(QStringLiteral("%1: набор данных только для чтения").arg(objectName()));
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
        throw EDatabaseError(
            QStringLiteral("Поле '%1' нельзя изменить").arg(f.name));
    if (!IsEditing())
        Edit();
    const QVariant v = CoerceValue(value, f.type);
    QVariant &cell = m_rows[m_current][field];
    m_assigned[field] = true;
    if (sameValue(cell, v) && cell.typeId() == v.typeId())
        return;
    cell = v;
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
    if (!IsEditing())
        return;
    runHandlers(BeforePost, *this);
    m_conn->RequireOpen();
    const QString table = UpdateTable();
    if (table.isEmpty())
        throw EDatabaseError(QStringLiteral("%1: не задана таблица для записи").arg(objectName()));
    QVector<QVariant> &row = m_rows[m_current];

    if (m_state == State::Insert) {
        QStringList columns, marks;
        QVector<BoundValue> values;
        for (int i = 0; i < m_fields.size(); ++i) {
            if (!m_assigned.value(i) || row[i].isNull())
                continue; // left to the server's default
            const QString column = baseColumn(i);
            if (column.isEmpty())
                continue;
            columns << quoteIdent(column);
            marks << QStringLiteral("?");
            values.append(BoundValue{m_fields[i].type, row[i]});
        }
        const QString sql =
            columns.isEmpty()
                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteTable(table))
                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(quoteTable(table), columns.join(QLatin1String(", ")),
                           marks.join(QLatin1String(", ")));
        m_conn->Execute(sql, values);
    } else {
        QStringList sets;
        QVector<BoundValue> values;
        for (int i = 0; i < m_fields.size(); ++i) {
            if (sameValue(row[i], m_backup.value(i)))
                continue;
            const QString column = baseColumn(i);
            if (column.isEmpty())
                continue;
            sets << quoteIdent(column) + QStringLiteral(" = ?");
            values.append(BoundValue{m_fields[i].type, row[i]});
        }
        if (!sets.isEmpty()) {
            if (m_keyField.isEmpty())
                throw EDatabaseError(QStringLiteral("%1: не задано ключевое поле").arg(objectName()));
            const int key = RequireField(m_keyField);
            const QString keyColumn = baseColumn(key).isEmpty() ? m_fields[key].name
                                                                : baseColumn(key);
            const QVariant keyValue = m_backup.value(key);
            if (keyValue.isNull())
                throw EDatabaseError(QStringLiteral("Запись без ключа не может быть сохранена"));
            values.append(BoundValue{m_fields[key].type, keyValue});
            const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                    .arg(quoteTable(table), sets.join(QLatin1String(", ")),
                                         quoteIdent(keyColumn));
            if (m_conn->Execute(sql, values) == 0)
                throw EDatabaseError(QStringLiteral(
                    "Запись не сохранена: она изменена или удалена другим пользователем. "
                    "Обновите список и повторите изменение."));
        }
    }
    m_state = State::Browse;
    m_backup.clear();
    m_assigned.clear();
    invalidateIndexes();
    emit ValueChanged(m_current, -1);
    notify(RowChange);
    runHandlers(AfterPost, *this);
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
        m_current = m_rows.isEmpty() ? -1
                                     : qBound(0, m_rowBeforeInsert, int(m_rows.size()) - 1);
        invalidateIndexes();
        emit RowRemoved(at);
    } else {
        m_rows[m_current] = m_backup;
        m_state = State::Browse;
        for (int i = 0; i < m_assigned.size(); ++i)
            if (m_assigned[i])
                invalidateIndex(i);
        emit ValueChanged(m_current, -1);
    }
    m_backup.clear();
    m_assigned.clear();
    notify(RowChange);
}

void TDataSet::Delete()
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("%1: набор данных закрыт").arg(objectName()));
    if (m_readOnly)
        throw EDatabaseError(QStringLiteral("%1: набор данных только для чтения").arg(objectName()));
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
    if (m_keyField.isEmpty())
        throw EDatabaseError(QStringLiteral("%1: не задано ключевое поле").arg(objectName()));
    const int key = RequireField(m_keyField);
    const QVariant keyValue = m_rows[m_current][key];
    if (keyValue.isNull())
        throw EDatabaseError(QStringLiteral("Запись без ключа не может быть удалена"));
    const QString keyColumn = baseColumn(key).isEmpty() ? m_fields[key].name : baseColumn(key);
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                            .arg(quoteTable(UpdateTable()), quoteIdent(keyColumn));
    if (m_conn->Execute(sql, {BoundValue{m_fields[key].type, keyValue}}) == 0)
        throw EDatabaseError(QStringLiteral(
            "Запись не удалена: она уже изменена или удалена другим пользователем. "
            "Обновите список."));
    const int at = m_current;
    emit AboutToRemoveRow(at);
    m_rows.removeAt(at);
    m_current = m_rows.isEmpty() ? -1 : qMin(at, int(m_rows.size()) - 1);
    invalidateIndexes();
    emit RowRemoved(at);
    notify(RowChange);
    runHandlers(AfterDelete, *this);
}
