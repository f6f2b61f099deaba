#include "data/rowstore.h"

#include <QDate>
#include <QDateTime>

#include <cstring>

void TRowStore::clear()
{
    m_rows = 0;
    m_cells = {};
    m_tags = {};
    m_texts = {};
    m_others = {};
    m_textOf = {};
    m_reading = true;
}

void TRowStore::reserve(qsizetype rows)
{
    m_cells.reserve(size_t(rows) * size_t(m_fields));
    m_tags.reserve(size_t(rows) * size_t(m_fields));
}

QVariant TRowStore::Value(qsizetype row, int field) const
{
    if (row < 0 || row >= size() || field < 0 || field >= m_fields)
        return QVariant();
    const size_t cell = size_t(row) * size_t(m_fields) + size_t(field);
    const quint64 bits = m_cells[cell];
    switch (Tag(m_tags[cell])) {
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

void TRowStore::put(size_t cell, const QVariant &value)
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
    m_cells[cell] = bits;
    m_tags[cell] = tag;
}

void TRowStore::append(const QVector<QVariant> &values)
{
    if (m_fields == 0) {
        ++m_rows;
        return;
    }
    const size_t first = m_tags.size();
    m_cells.resize(first + size_t(m_fields));
    m_tags.resize(first + size_t(m_fields));
    for (int f = 0; f < m_fields; ++f)
        put(first + size_t(f), f < values.size() ? values[f] : QVariant());
}

void TRowStore::SetRow(qsizetype row, const QVector<QVariant> &values)
{
    if (row < 0 || row >= size())
        return;
    for (int f = 0; f < m_fields; ++f)
        put(size_t(row) * size_t(m_fields) + size_t(f),
            f < values.size() ? values[f] : QVariant());
}

void TRowStore::SetValue(qsizetype row, int field, const QVariant &value)
{
    if (row < 0 || row >= size() || field < 0 || field >= m_fields)
        return;
    put(size_t(row) * size_t(m_fields) + size_t(field), value);
}

void TRowStore::removeAt(qsizetype row)
{
    if (row < 0 || row >= size())
        return;
    if (m_fields == 0) {
        --m_rows;
        return;
    }
    const auto first = std::ptrdiff_t(row) * m_fields;
    m_cells.erase(m_cells.begin() + first, m_cells.begin() + first + m_fields);
    m_tags.erase(m_tags.begin() + first, m_tags.begin() + first + m_fields);
}

void TRowStore::EndOfReading()
{
    m_reading = false;
    m_textOf = {};
    m_cells.shrink_to_fit();
    m_tags.shrink_to_fit();
    m_texts.shrink_to_fit();
}
