#include "widgets/gridsearch.h"

#include "data/dataset.h"

#include <QChar>
#include <QStringView>

#include <algorithm>
#include <charconv>
#include <memory>

namespace {

// A lookup of a lookup of ... deeper than this is taken for a cycle.
constexpr int MaxLookupDepth = 8;

// Simple case folding of every UTF-16 unit, as QString's case-insensitive
// comparison does it, in one table so that a character costs one read.
const char16_t *foldTable()
{
    static const std::unique_ptr<char16_t[]> table = [] {
        auto t = std::make_unique<char16_t[]>(0x10000);
        for (char32_t c = 0; c < 0x10000; ++c) {
            const char32_t f = QChar::toCaseFolded(c);
            t[c] = f <= 0xFFFF ? char16_t(f) : char16_t(c);
        }
        return t;
    }();
    return table.get();
}

template <typename Ch>
void appendFolded(std::vector<char16_t> &to, const Ch *text, qsizetype length)
{
    const char16_t *fold = foldTable();
    for (qsizetype i = 0; i < length; ++i)
        to.push_back(fold[std::make_unsigned_t<Ch>(text[i])]);
}

// The text of a cell as the dataset shows it, folded: texts and whole
// numbers straight from the value, anything else through DisplayText.
void appendCell(std::vector<char16_t> &to, TDataSet *ds, int row, int field)
{
    const QVariant v = ds->Value(row, field);
    if (v.isNull())
        return;
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString &s = *static_cast<const QString *>(v.constData());
        appendFolded(to, s.utf16(), s.size());
        return;
    }
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::LongLong: {
        char digits[24];
        const char *end = std::to_chars(digits, digits + sizeof digits, v.toLongLong()).ptr;
        appendFolded(to, digits, end - digits);
        return;
    }
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        char digits[24];
        const char *end = std::to_chars(digits, digits + sizeof digits, v.toULongLong()).ptr;
        appendFolded(to, digits, end - digits);
        return;
    }
    default: {
        const QString s = ds->DisplayText(row, field);
        appendFolded(to, s.utf16(), s.size());
        return;
    }
    }
}

} // namespace

TGridSearch::TGridSearch(TDataSet *dataSet, QObject *parent) : QObject(parent), m_dataSet(dataSet)
{
    foldTable();
}

TGridSearch::~TGridSearch() = default;

TDataSet *TGridSearch::DataSet() const
{
    return m_dataSet;
}

void TGridSearch::SetFields(const QStringList &fields)
{
    if (fields == m_fields)
        return;
    m_fields = fields;
    invalidate();
}

void TGridSearch::SetOrder(const QVector<int> &order)
{
    // the grid hands over the same shared vector until it sorts again
    if (order == m_order)
        return;
    m_order = order;
    invalidate();
}

void TGridSearch::watch(TDataSet *ds, int field, int depth)
{
    if (!m_watched.contains(ds)) {
        m_watched.insert(ds);
        connect(ds, &TDataSet::Reset, this, &TGridSearch::invalidate);
        connect(ds, &TDataSet::RowInserted, this, &TGridSearch::invalidate);
        connect(ds, &TDataSet::RowRemoved, this, &TGridSearch::invalidate);
        connect(ds, &TDataSet::LookupsChanged, this, &TGridSearch::invalidate);
        connect(ds, &TDataSet::ValueChanged, this, &TGridSearch::invalidate);
        connect(ds, &QObject::destroyed, this, [this, ds] {
            m_watched.remove(ds);
            invalidate();
        });
    }
    // a lookup shows what its source holds: that changes the text too
    if (field < 0 || field >= ds->Fields().size() || depth >= MaxLookupDepth)
        return;
    const TFieldDef &f = ds->Fields()[field];
    if (f.kind == FieldKind::Lookup && f.lookupDataSet)
        watch(f.lookupDataSet, f.lookupDataSet->FieldIndex(f.lookupResultField), depth + 1);
}

void TGridSearch::invalidate()
{
    ++m_generation;
    m_built = false;
}

bool TGridSearch::ready()
{
    if (!m_dataSet || !m_dataSet->Active())
        return false;
    if (m_built)
        return true;
    TDataSet *ds = m_dataSet;
    std::vector<int> fields;
    for (const QString &name : m_fields) {
        const int field = ds->FieldIndex(name);
        if (field >= 0) {
            fields.push_back(field);
            watch(ds, field, 0);
        }
    }
    watch(ds, -1, 0);
    const int rows = ds->RecordCount();
    // an order made for other rows is none
    const bool ordered = m_order.size() == rows;
    m_text.clear();
    m_text.reserve(size_t(rows) * (fields.size() * 12 + 1));
    m_rowStart.assign(size_t(rows) + 1, 0);
    for (int r = 0; r < rows; ++r) {
        m_rowStart[size_t(r)] = qsizetype(m_text.size());
        const int row = ordered ? m_order[r] : r;
        for (int field : fields) {
            appendCell(m_text, ds, row, field);
            m_text.push_back(u'\0');
        }
    }
    m_rowStart[size_t(rows)] = qsizetype(m_text.size());
    m_built = true;
    return true;
}

void TGridSearch::Prepare()
{
    ready();
}

bool TGridSearch::setNeedle(const QString &text)
{
    // a zero never occurs inside a cell of the text
    if (text.isEmpty() || text.contains(QChar(u'\0')))
        return false;
    m_needle.clear();
    appendFolded(m_needle, text.utf16(), text.size());
    return true;
}

int TGridSearch::rowAt(qsizetype position) const
{
    const auto it = std::upper_bound(m_rowStart.begin(), m_rowStart.end(), position);
    return int(it - m_rowStart.begin()) - 1;
}

int TGridSearch::Find(const QString &text, int from, bool forward, bool wrap)
{
    if (!setNeedle(text) || !ready() || m_dataSet->IsEmpty())
        return -1;
    const int n = m_dataSet->RecordCount();
    if (wrap)
        from = ((from % n) + n) % n;
    else if (forward ? from >= n : from < 0)
        return -1;
    else
        from = qBound(0, from, n - 1);
    const QStringView all(m_text.data(), qsizetype(m_text.size()));
    const QStringView needle(m_needle.data(), qsizetype(m_needle.size()));
    const qsizetype start = m_rowStart[size_t(from)];
    const qsizetype next = m_rowStart[size_t(from) + 1];
    qsizetype at = -1;
    if (forward) {
        at = all.indexOf(needle, start);
        if (at < 0 && wrap)
            at = all.first(start).indexOf(needle);
    } else {
        at = all.first(next).lastIndexOf(needle);
        if (at < 0 && wrap) {
            at = all.sliced(next).lastIndexOf(needle);
            if (at >= 0)
                at += next;
        }
    }
    return at < 0 ? -1 : rowAt(at);
}

bool TGridSearch::RowMatches(const QString &text, int row)
{
    if (!setNeedle(text) || !ready() || row < 0 || row >= m_dataSet->RecordCount())
        return false;
    const qsizetype start = m_rowStart[size_t(row)];
    const QStringView cells(m_text.data() + start, m_rowStart[size_t(row) + 1] - start);
    return cells.indexOf(QStringView(m_needle.data(), qsizetype(m_needle.size()))) >= 0;
}
