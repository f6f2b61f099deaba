#include "data/rowstore.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <cstring>

namespace {
// Cells a block holds at most: 256 KB of values. A block fills up to it by
// doubling, so a list of a few rows takes a few cells.
constexpr size_t BlockCells = 32768;
} // namespace

TRowStore::TRowStore(int fields) : m_fields(fields < 0 ? 0 : fields)
{
    while (m_fields && (size_t(2) << m_shift) * size_t(m_fields) <= BlockCells)
        ++m_shift;
}

void TRowStore::clear()
{
    m_rows = 0;
    m_blocks = {};
    m_texts = {};
    m_others = {};
    m_textOf = {};
    m_reading = true;
}

void TRowStore::reserve(qsizetype rows)
{
    if (m_fields == 0 || rows <= m_rows)
        return;
    if (m_blocks.empty())
        m_blocks.emplace_back();
    m_blocks.reserve((size_t(rows - 1) >> m_shift) + 1);
    // the first block takes what it will hold; later ones are made whole
    Block &first = m_blocks.front();
    const size_t cells =
        size_t(std::min<qsizetype>(rows, qsizetype(1) << m_shift)) * size_t(m_fields);
    first.cells.reserve(cells);
    first.tags.reserve(cells);
}

QVariant TRowStore::Value(qsizetype row, int field) const
{
    if (row < 0 || row >= size() || field < 0 || field >= m_fields)
        return QVariant();
    const Block &block = blockOf(row);
    const size_t cell = firstCell(row) + size_t(field);
    const quint64 bits = block.cells[cell];
    switch (Tag(block.tags[cell])) {
    case Null:
        return QVariant();
    case Int:
        return QVariant(int(qint64(bits)));
    case LongLong:
        return QVariant(qlonglong(bits));
    case Double: {
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return QVariant(d);
    }
    case False:
        return QVariant(false);
    case True:
        return QVariant(true);
    case NullText:
        return QVariant(QString());
    case EmptyText:
        return QVariant(QStringLiteral(""));
    case Text:
        return QVariant(m_texts[size_t(bits)]);
    case Date:
        return QVariant(QDate::fromJulianDay(qint64(bits)));
    case DateTimeUtc:
        return QVariant(QDateTime::fromMSecsSinceEpoch(qint64(bits), Qt::UTC));
    case Other:
        return m_others[size_t(bits)];
    }
    return QVariant();
}

QVector<QVariant> TRowStore::Row(qsizetype row) const
{
    QVector<QVariant> values(m_fields);
    for (int f = 0; f < m_fields; ++f)
        values[f] = Value(row, f);
    return values;
}

void TRowStore::put(Block &block, size_t cell, const QVariant &value)
{
    quint8 tag = Other;
    quint64 bits = 0;
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        tag = Null;
        break;
    case QMetaType::Int:
        tag = Int;
        bits = quint64(qint64(value.toInt()));
        break;
    case QMetaType::LongLong:
        tag = LongLong;
        bits = quint64(value.toLongLong());
        break;
    case QMetaType::Double: {
        const double d = value.toDouble();
        std::memcpy(&bits, &d, sizeof d);
        tag = Double;
        break;
    }
    case QMetaType::Bool:
        tag = value.toBool() ? True : False;
        break;
    case QMetaType::QString: {
        const QString &text = *static_cast<const QString *>(value.constData());
        if (text.isNull()) {
            tag = NullText;
        } else if (text.isEmpty()) {
            tag = EmptyText;
        } else {
            tag = Text;
            if (m_reading) {
                // the texts the table holds keep their strings alive, so a
                // string's data names one entry (a raw string may show more or
                // fewer characters of the same data: the size must agree too)
                const auto it = m_textOf.constFind(text.constData());
                if (it != m_textOf.constEnd() && m_texts[*it].size() == text.size()) {
                    bits = *it;
                    break;
                }
                m_textOf.insert(text.constData(), quint32(m_texts.size()));
            }
            bits = m_texts.size();
            m_texts.push_back(text);
        }
        break;
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        if (d.isValid()) {
            tag = Date;
            bits = quint64(d.toJulianDay());
        }
        break;
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (dt.isValid() && dt.timeSpec() == Qt::UTC) {
            tag = DateTimeUtc;
            bits = quint64(dt.toMSecsSinceEpoch());
        }
        break;
    }
    default:
        break;
    }
    if (tag == Other) {
        bits = m_others.size();
        m_others.push_back(value);
    }
    block.cells[cell] = bits;
    block.tags[cell] = tag;
}

void TRowStore::append(const QVector<QVariant> &values)
{
    if (m_fields == 0) {
        ++m_rows;
        return;
    }
    const size_t index = size_t(m_rows) >> m_shift;
    if (index == m_blocks.size()) {
        // a new block; the first grows as it fills, later ones are made whole
        m_blocks.emplace_back();
        if (index > 0) {
            m_blocks.back().cells.reserve(size_t(m_fields) << m_shift);
            m_blocks.back().tags.reserve(size_t(m_fields) << m_shift);
        }
    }
    Block &block = m_blocks[index];
    const size_t first = firstCell(m_rows);
    block.cells.resize(first + size_t(m_fields));
    block.tags.resize(first + size_t(m_fields));
    ++m_rows;
    for (int f = 0; f < m_fields; ++f)
        put(block, first + size_t(f), f < values.size() ? values[f] : QVariant());
}

void TRowStore::SetRow(qsizetype row, const QVector<QVariant> &values)
{
    if (row < 0 || row >= size())
        return;
    Block &block = blockOf(row);
    for (int f = 0; f < m_fields; ++f)
        put(block, firstCell(row) + size_t(f), f < values.size() ? values[f] : QVariant());
}

void TRowStore::SetValue(qsizetype row, int field, const QVariant &value)
{
    if (row < 0 || row >= size() || field < 0 || field >= m_fields)
        return;
    put(blockOf(row), firstCell(row) + size_t(field), value);
}

void TRowStore::removeAt(qsizetype row)
{
    if (row < 0 || row >= size())
        return;
    if (m_fields == 0) {
        --m_rows;
        return;
    }
    // the rows after it move up one, a block at a time: each block's first
    // row goes to the end of the block before it; the last block loses its
    // last row
    const size_t fields = size_t(m_fields);
    size_t hole = firstCell(row);
    for (size_t b = size_t(row) >> m_shift; b < m_blocks.size(); ++b) {
        Block &block = m_blocks[b];
        const size_t after = block.tags.size() - hole - fields;
        std::memmove(block.cells.data() + hole, block.cells.data() + hole + fields,
                     after * sizeof(quint64));
        std::memmove(block.tags.data() + hole, block.tags.data() + hole + fields, after);
        if (b + 1 < m_blocks.size()) {
            const Block &next = m_blocks[b + 1];
            const size_t end = block.tags.size() - fields;
            std::memcpy(block.cells.data() + end, next.cells.data(), fields * sizeof(quint64));
            std::memcpy(block.tags.data() + end, next.tags.data(), fields);
            hole = 0;
        }
    }
    --m_rows;
    Block &last = m_blocks.back();
    last.cells.resize(last.cells.size() - fields);
    last.tags.resize(last.tags.size() - fields);
    if (last.tags.empty())
        m_blocks.pop_back();
}

void TRowStore::EndOfReading()
{
    m_reading = false;
    m_textOf = {};
    // only the last block may hold more than it uses
    if (!m_blocks.empty()) {
        m_blocks.back().cells.shrink_to_fit();
        m_blocks.back().tags.shrink_to_fit();
    }
    m_texts.shrink_to_fit();
}
