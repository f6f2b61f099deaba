#pragma once
// The rows of a dataset, packed: eight bytes and a type byte a cell, in
// blocks of whole rows (a list that grows is never moved or copied whole,
// and holds at most one block it does not fill). A text cell holds the
// index of its text in a table of the store's own; while the rows are read,
// the cells whose texts share one string (the driver hands a repeated text
// over once) share one entry, so a list that repeats its device, serial
// number or type on every row holds each of them once.

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>

#include <cstdint>
#include <deque>
#include <vector>

class TRowStore
{
public:
    explicit TRowStore(int fields = 0);

    int Fields() const { return m_fields; }
    qsizetype size() const { return m_rows; }
    bool isEmpty() const { return size() == 0; }
    void clear();
    void reserve(qsizetype rows);

    // A cell as the value it was given (QVariant() outside the rows).
    QVariant Value(qsizetype row, int field) const;
    QVector<QVariant> Row(qsizetype row) const;

    // A row of more values than fields keeps the first ones, of fewer gets
    // nulls.
    void append(const QVector<QVariant> &values);
    void SetRow(qsizetype row, const QVector<QVariant> &values);
    void SetValue(qsizetype row, int field, const QVariant &value);
    void removeAt(qsizetype row);

    // The rows are read: repeated texts are no longer looked for (the table
    // of texts seen is freed).
    void EndOfReading();

private:
    enum Tag : quint8 {
        Null,
        Int,
        LongLong,
        Double,
        False,
        True,
        NullText,
        EmptyText,
        Text,        // the index of the text
        Date,        // the Julian day
        DateTimeUtc, // milliseconds since the epoch, in UTC
        Other,       // the index of the value
    };
    struct Block {
        std::vector<quint64> cells;
        std::vector<quint8> tags;
    };
    // The block of a row and the first of its cells there.
    Block &blockOf(qsizetype row) { return m_blocks[size_t(row) >> m_shift]; }
    const Block &blockOf(qsizetype row) const { return m_blocks[size_t(row) >> m_shift]; }
    size_t firstCell(qsizetype row) const
    {
        return (size_t(row) & ((size_t(1) << m_shift) - 1)) * size_t(m_fields);
    }
    void put(Block &block, size_t cell, const QVariant &value);

    int m_fields = 0;
    int m_shift = 0; // a block holds 2^m_shift rows
    qsizetype m_rows = 0;
    std::vector<Block> m_blocks;
    std::deque<QString> m_texts;
    std::vector<QVariant> m_others;
    bool m_reading = true;
    QHash<const QChar *, quint32> m_textOf; // while reading: a text's index by its string
};
