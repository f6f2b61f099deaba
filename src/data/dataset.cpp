#include "data/dataset.h"

#include "data/datasource.h"
#include "data/dberrors.h"

#include <QDateTime>

#include <utility>

TDataSet::TDataSet(const QString &name, TConnection *connection, QObject *parent)
    : QObject(parent), m_conn(connection)
{
    setObjectName(name);
    if (m_conn)
        connect(m_conn, &TConnection::AboutToClose, this, &TDataSet::Close);
    // a re-read lookup source gives the lookup fields other values
    connect(this, &TDataSet::LookupsChanged, this, &TDataSet::invalidateLookupIndexes);
}

TDataSet::~TDataSet()
{
    if (TDataSet *m = masterDataSet())
        m->m_details.removeAll(this);
}

void TDataSet::SetSQL(const QString &sql)
{
    if (Active())
        Close();
    m_sql = sql;
    m_parsed = ParseNamedParams(sql);
    m_stmt.reset();
    setColumns({});
    m_plan.valid = false;
}

void TDataSet::setColumns(const QVector<ColumnInfo> &columns)
{
    // a re-run of a prepared statement hands back the same column facts
    if (columns.constData() == m_columns.constData() && columns.size() == m_columns.size())
        return;
    m_columns = columns;
    m_plan.valid = false;
}

TParam &TDataSet::AddParam(const QString &name, FieldType type, const QVariant &initial)
{
    return m_params.append(TParam{name, type, initial});
}

void TDataSet::SetParamValue(const QString &name, const QVariant &value)
{
    for (TParam &p : m_params) {
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
            p.value = value;
            return;
        }
    }
    throw EDatabaseError(QStringLiteral("%1: параметр '%2' не найден").arg(objectName(), name));
}

QVariant TDataSet::ParamValue(const QString &name) const
{
    for (const TParam &p : m_params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return p.value;
    return QVariant();
}

TFieldDef &TDataSet::AddField(const QString &name, FieldType type, int size)
{
    TFieldDef f;
    f.name = name;
    f.type = type;
    f.size = size;
    m_fieldByName.insert(name.toLower(), int(m_fields.size()));
    m_plan.valid = false;
    return m_fields.append(std::move(f));
}

TFieldDef &TDataSet::AddLookupField(const QString &name, FieldType type, int size,
                                    const QString &keyField, TDataSet *lookupDataSet,
                                    const QString &lookupKeyField,
                                    const QString &lookupResultField)
{
    TFieldDef &f = AddField(name, type, size);
    f.kind = FieldKind::Lookup;
    f.readOnly = true;
    f.keyField = keyField;
    f.lookupDataSet = lookupDataSet;
    f.lookupKeyField = lookupKeyField;
    f.lookupResultField = lookupResultField;
    return f;
}

void TDataSet::SetMaster(TDataSource *master)
{
    if (m_master)
        disconnect(m_master, nullptr, this, nullptr);
    if (TDataSet *old = masterDataSet())
        old->m_details.removeAll(this);
    m_master = master;
    if (TDataSet *m = masterDataSet())
        m->m_details.append(this);
    if (m_master) {
        // A detail that fails to follow its master must not keep the master's
        // other dependants from hearing of the change: the failure is handed
        // to the master, which raises it once everyone was told.
        connect(m_master, &TDataSource::DataChange, this, [this](int field) {
            try {
                masterChanged(field);
            } catch (...) {
                TDataSet *m = masterDataSet();
                if (!m)
                    throw;
                m->dependantFailed(std::current_exception());
            }
        });
    }
    if (Active()) {
        if (paramsFromMaster())
            resetContent([this] { runQuery(); });
    }
}

int TDataSet::FieldIndex(const QString &name) const
{
    return m_fieldByName.value(name.toLower(), -1);
}

int TDataSet::RequireField(const QString &name) const
{
    const int i = FieldIndex(name);
    if (i < 0)
        throw EDatabaseError(QStringLiteral("%1: поле '%2' не найдено").arg(objectName(), name));
    return i;
}

// ---- opening and running ---------------------------------------------------

void TDataSet::resolveFields()
{
    m_lookups.clear();
    for (int i = 0; i < m_fields.size(); ++i) {
        const TFieldDef &f = m_fields[i];
        if (f.kind != FieldKind::Lookup)
            continue;
        LookupRef ref;
        ref.keyField = RequireField(f.keyField);
        if (!f.lookupDataSet)
            throw EDatabaseError(
                QStringLiteral("%1: нет набора данных для поля '%2'").arg(objectName(), f.name));
        ref.sourceKey = f.lookupDataSet->RequireField(f.lookupKeyField);
        ref.sourceResult = f.lookupDataSet->RequireField(f.lookupResultField);
        m_lookups.insert(i, ref);
    }
    // a re-read of a lookup source shows at once in every list that reads it
    QVector<TDataSet *> sources;
    for (const TFieldDef &f : m_fields)
        if (f.kind == FieldKind::Lookup && f.lookupDataSet && !sources.contains(f.lookupDataSet))
            sources << f.lookupDataSet;
    for (TDataSet *s : sources) {
        connect(s, &TDataSet::Reset, this, &TDataSet::LookupsChanged, Qt::UniqueConnection);
        connect(s, &TDataSet::ValueChanged, this, &TDataSet::LookupsChanged, Qt::UniqueConnection);
    }
}

TDataSet *TDataSet::masterDataSet() const
{
    return m_master ? m_master->DataSet() : nullptr;
}

bool TDataSet::paramsFromMaster()
{
    // true when the detail has rows to read; false for an empty master
    TDataSet *m = masterDataSet();
    if (!m)
        return true;
    if (!m->Active() || m->IsEmpty() || m->RecNo() < 0 || m->GetState() == State::Insert) {
        // only what the link fills: the other parameters keep their values
        for (TParam &p : m_params)
            if (m->FieldIndex(p.name) >= 0)
                p.value = QVariant();
        return false;
    }
    for (TParam &p : m_params) {
        const int f = m->FieldIndex(p.name);
        if (f >= 0)
            p.value = m->Value(m->RecNo(), f);
    }
    return true;
}

TReadRequest TDataSet::ReadRequest() const
{
    TReadRequest request;
    request.dataSet = objectName();
    request.sql = m_parsed.sql;
    request.values.reserve(m_parsed.names.size());
    for (const QString &name : m_parsed.names) {
        const TParam *param = nullptr;
        for (const TParam &p : m_params)
            if (p.name.compare(name, Qt::CaseInsensitive) == 0)
                param = &p;
        if (!param)
            throw EDatabaseError(
                QStringLiteral("%1: параметр '%2' не объявлен").arg(objectName(), name));
        request.values.append(BoundValue{param->type, param->value});
    }
    request.fields.reserve(m_fields.size());
    for (const TFieldDef &f : m_fields)
        request.fields.append({f.name, f.type, f.size, f.kind == FieldKind::Data});
    return request;
}

TReadResult ReadResult(TStatement &statement, const TReadRequest &request, qint64 refetch)
{
    statement.Execute(request.values);
    TReadResult result;
    result.columns = statement.Columns();
    const QVector<ColumnInfo> &cols = result.columns;
    QVector<TReadRequest::Field> fields = request.fields;
    if (fields.isEmpty()) {
        // no declared fields: the fields are the columns of the result
        for (const ColumnInfo &c : cols)
            fields.append({c.name, c.type, c.type == FieldType::String ? c.size : 0, true});
    }
    // map the data fields to result columns
    const int nfields = int(fields.size());
    QVector<int> fieldOfColumn(cols.size(), -1);
    QVector<int> sizeHints(cols.size(), -1); // a column no field shows is not read
    QVector<bool> convert(cols.size(), false);
    for (int i = 0; i < nfields; ++i) {
        const TReadRequest::Field &f = fields[i];
        if (!f.data)
            continue;
        int col = -1;
        for (int c = 0; c < cols.size(); ++c)
            if (cols[c].name.compare(f.name, Qt::CaseInsensitive) == 0) {
                col = c;
                break;
            }
        if (col < 0)
            throw EDatabaseError(QStringLiteral("%1: поле '%2' не найдено в результате запроса")
                                     .arg(request.dataSet, f.name));
        fieldOfColumn[col] = i;
        sizeHints[col] = f.type == FieldType::String ? f.size : 0;
        const FieldType ct = cols[col].type;
        const bool bothInt = (ct == FieldType::SmallInt || ct == FieldType::Integer) &&
            (f.type == FieldType::SmallInt || f.type == FieldType::Integer);
        convert[col] = !(ct == f.type || bothInt);
    }

    result.rows = TRowStore(nfields);
    QVector<QVariant> out(nfields);
    statement.FetchAll(
        [&](QVector<QVariant> &row) {
            for (int c = 0; c < row.size(); ++c) {
                const int f = fieldOfColumn[c];
                if (f < 0)
                    continue;
                if (convert[c]) {
                    QVariant v = CoerceValue(row[c], fields[f].type);
                    if (fields[f].type == FieldType::String && fields[f].size > 0 &&
                        v.toString().size() > fields[f].size)
                        v = v.toString().left(fields[f].size);
                    out[f] = std::move(v);
                } else {
                    out[f] = std::move(row[c]);
                }
            }
            result.rows.append(out);
        },
        sizeHints, refetch);
    result.rows.EndOfReading();
    return result;
}

void TDataSet::runQuery()
{
    m_conn->RequireOpen();
    TReadResult result;
    if (!m_readAhead || !m_readAhead->Take(this, result)) {
        const TReadRequest request = ReadRequest();
        if (!m_stmt) {
            m_stmt = std::make_unique<TStatement>(*m_conn);
            m_stmt->Prepare(m_parsed.sql);
        }
        result = ReadResult(*m_stmt, request);
    }
    setColumns(result.columns);
    if (m_fields.isEmpty()) {
        for (const ColumnInfo &c : result.columns)
            AddField(c.name, c.type, c.type == FieldType::String ? c.size : 0);
    }
    m_rows = std::move(result.rows);
    if (m_rows.isEmpty() && m_rows.Fields() != m_fields.size())
        m_rows = TRowStore(int(m_fields.size())); // a result without columns
    m_current = m_rows.isEmpty() ? -1 : 0;
    invalidateIndexes();
}

void TDataSet::resetContent(const std::function<void()> &change)
{
    ++m_resets;
    emit AboutToReset();
    try {
        change();
    } catch (...) {
        m_rows.clear();
        m_current = -1;
        invalidateIndexes();
        emit Reset();
        try {
            notify(ContentChange);
        } catch (...) {
            // the failure of the change itself is the one to report
        }
        throw;
    }
    emit Reset();
    notify(ContentChange);
}

void TDataSet::Open()
{
    if (Active())
        return;
    // Every way out of an open runs either the after-open or the failed-open
    // handlers, so that what the before-open handlers began (the loading
    // status) always ends.
    try {
        for (const Handler &h : BeforeOpen)
            h(*this);
        if (!m_conn)
            throw EDatabaseError(QStringLiteral("%1: нет соединения").arg(objectName()));
        m_conn->RequireOpen();
        resolveFields();
        const bool haveRows = paramsFromMaster();
        emit AboutToReset();
        try {
            if (haveRows) {
                runQuery();
            } else {
                m_rows.clear();
                m_current = -1;
                invalidateIndexes();
            }
        } catch (...) {
            m_rows.clear();
            m_current = -1;
            m_state = State::Inactive;
            m_stmt.reset();
            emit Reset();
            throw;
        }
        m_state = State::Browse;
        emit Reset();
        // A detail that fails to follow fails the open as well, though this
        // dataset itself stays open with its rows.
        notify(ContentChange);
    } catch (...) {
        for (const Handler &h : OpenFailed)
            h(*this);
        throw;
    }
    for (const Handler &h : AfterOpen)
        h(*this);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    emit AboutToReset();
    m_state = State::Inactive;
    m_backup.clear();
    m_assigned.clear();
    m_postRefused = false;
    m_rows.clear();
    m_current = -1;
    m_stmt.reset();
    invalidateIndexes();
    emit Reset();
    // closing runs no change rule: DataChanged is not reported
}

void TDataSet::Requery()
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("%1: набор данных закрыт").arg(objectName()));
    postDetails();
    Post();
    resetContent([this] {
        m_state = State::Browse;
        if (!m_master || paramsFromMaster()) {
            runQuery();
        } else {
            m_rows.clear();
            m_current = -1;
            invalidateIndexes();
        }
    });
}

void TDataSet::masterChanged(int field)
{
    if (!Active())
        return;
    if (field >= 0) {
        // only a change of a field that feeds a parameter matters
        TDataSet *m = masterDataSet();
        if (!m)
            return;
        const QString &name = m->Fields().value(field).name;
        bool linked = false;
        for (const TParam &p : m_params)
            if (p.name.compare(name, Qt::CaseInsensitive) == 0)
                linked = true;
        if (!linked)
            return;
    }
    const TStableList<TParam> before = m_params;
    const bool haveRows = paramsFromMaster();
    bool same = true;
    for (int i = 0; i < m_params.size(); ++i)
        if (m_params[i].value != before[i].value ||
            m_params[i].value.isNull() != before[i].value.isNull())
            same = false;
    if (same && field != ContentChange)
        return;
    if (IsEditing()) {
        // The master posts its details before it moves; a row still pending
        // here (a linked field of the master changed) is posted as well, and
        // never dropped without a word.
        try {
            Post();
        } catch (...) {
            Cancel();
            throw;
        }
    }
    resetContent([&] {
        if (haveRows) {
            runQuery();
        } else {
            m_rows.clear();
            m_current = -1;
            invalidateIndexes();
        }
    });
}

// ---- rows and values -------------------------------------------------------

void TDataSet::SetRecNo(int row)
{
    if (m_rows.isEmpty())
        return;
    row = qBound(0, row, int(m_rows.size()) - 1);
    if (row == m_current)
        return;
    postDetails();
    if (IsEditing()) {
        const int resets = m_resets;
        Post(); // leaving a row posts it
        if (resets != m_resets)
            return; // the post re-read the rows and made the posted row current
    }
    row = qBound(0, row, int(m_rows.size()) - 1);
    m_current = row;
    notify(RowChange);
}

bool TDataSet::Locate(const QString &field, const QVariant &value)
{
    const int f = RequireField(field);
    const int row = FindRow(f, value);
    if (row < 0)
        return false;
    SetRecNo(row);
    return true;
}

QVariant TDataSet::Value(int row, int field) const
{
    if (row < 0 || row >= m_rows.size() || field < 0 || field >= m_fields.size())
        return QVariant();
    const TFieldDef &f = m_fields[field];
    if (f.kind == FieldKind::Lookup) {
        const auto it = m_lookups.constFind(field);
        if (it == m_lookups.constEnd() || !f.lookupDataSet || !f.lookupDataSet->Active())
            return QVariant();
        const QVariant key = m_rows.Value(row, it->keyField);
        if (key.isNull())
            return QVariant();
        const int srow = f.lookupDataSet->FindRow(it->sourceKey, key);
        if (srow < 0)
            return QVariant();
        QVariant v = f.lookupDataSet->Value(srow, it->sourceResult);
        if (f.type == FieldType::String && f.size > 0 && v.typeId() == QMetaType::QString &&
            v.toString().size() > f.size)
            v = v.toString().left(f.size);
        return v;
    }
    return m_rows.Value(row, field);
}

QVariant TDataSet::FieldValue(const QString &name) const
{
    return Value(m_current, RequireField(name));
}

QString TDataSet::DisplayText(int row, int field) const
{
    const QVariant v = Value(row, field);
    if (v.isNull())
        return QString();
    const TFieldDef &f = m_fields[field];
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        if (!f.displayFormat.isEmpty())
            return dt.toString(f.displayFormat);
        if (dt.time() == QTime(0, 0))
            return dt.toString(QStringLiteral("dd/MM/yyyy"));
        return dt.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    }
    case QMetaType::QDate:
        return v.toDate().toString(f.displayFormat.isEmpty() ? QStringLiteral("dd/MM/yyyy")
                                                             : f.displayFormat);
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return v.toString();
    }
}

int TDataSet::FindRow(int field, const QVariant &key) const
{
    if (field < 0 || field >= m_fields.size() || key.isNull())
        return -1;
    auto it = m_indexes.find(field);
    if (it == m_indexes.end() && !m_scanned.contains(field)) {
        m_scanned.insert(field);
        const TLookupKey wanted(key);
        for (int r = 0; r < int(m_rows.size()); ++r) {
            const QVariant v = Value(r, field);
            if (!v.isNull() && TLookupKey(v) == wanted)
                return r;
        }
        return -1;
    }
    if (it == m_indexes.end()) {
        QHash<TLookupKey, int> index;
        index.reserve(m_rows.size());
        for (int r = int(m_rows.size()) - 1; r >= 0; --r) {
            // walking backwards keeps the first row for a repeated key
            const QVariant v = Value(r, field);
            if (!v.isNull())
                index.insert(TLookupKey(v), r);
        }
        it = m_indexes.insert(field, std::move(index));
    }
    return it->value(TLookupKey(key), -1);
}

void TDataSet::invalidateIndexes() const
{
    m_indexes.clear();
    m_scanned.clear();
}

void TDataSet::invalidateIndex(int field) const
{
    if (m_indexes.isEmpty() && m_scanned.isEmpty())
        return;
    m_indexes.remove(field);
    m_scanned.remove(field);
    for (auto it = m_lookups.constBegin(); it != m_lookups.constEnd(); ++it) {
        if (it->keyField == field) {
            m_indexes.remove(it.key());
            m_scanned.remove(it.key());
        }
    }
}

void TDataSet::invalidateLookupIndexes() const
{
    for (auto it = m_lookups.constBegin(); it != m_lookups.constEnd(); ++it) {
        m_indexes.remove(it.key());
        m_scanned.remove(it.key());
    }
}

void TDataSet::postDetails()
{
    // deepest first: posting a detail re-reads its own details
    const QVector<QPointer<TDataSet>> details = m_details;
    for (const QPointer<TDataSet> &d : details) {
        if (!d || !d->Active())
            continue;
        d->postDetails();
        if (d->IsEditing())
            d->Post();
    }
}

// ---- notifications ---------------------------------------------------------

void TDataSet::notify(int field)
{
    if (m_disableCount > 0) {
        m_pendingNotify = true;
        return;
    }
    emitDataChanged(field);
}

void TDataSet::emitDataChanged(int field)
{
    // a change reported while another one is being reported keeps its own
    // failures apart
    std::exception_ptr outer = std::exchange(m_dependantError, nullptr);
    ++m_notifying;
    try {
        emit DataChanged(field);
    } catch (...) {
        --m_notifying;
        m_dependantError = outer;
        throw;
    }
    --m_notifying;
    if (std::exception_ptr failed = std::exchange(m_dependantError, outer))
        std::rethrow_exception(failed);
}

void TDataSet::dependantFailed(std::exception_ptr error)
{
    if (m_notifying == 0)
        std::rethrow_exception(error); // not told by this dataset: nothing to wait for
    if (!m_dependantError)
        m_dependantError = error; // the first failure is the one shown
}

void TDataSet::DisableControls()
{
    ++m_disableCount;
}

void TDataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0 && m_pendingNotify) {
        m_pendingNotify = false;
        emitDataChanged(ContentChange);
    }
}
