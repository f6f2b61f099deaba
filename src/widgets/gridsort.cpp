#include "widgets/gridsort.h"

#include "data/dataset.h"

#include <QCollator>
#include <QDateTime>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <vector>

namespace {

constexpr int Empty = -1;

// The rows in the order of their ranks, rank 0 first and empty cells last,
// the rows of one rank in their own order: a counting sort, linear in the
// rows and the ranks.
QVector<int> orderByRanks(const QVector<int> &ranks, int rankCount, Qt::SortOrder order)
{
    const bool down = order == Qt::DescendingOrder;
    const auto bucket = [&](int rank) {
        return rank == Empty ? rankCount : down ? rankCount - 1 - rank : rank;
    };
    QVector<int> next(rankCount + 2, 0); // where each bucket's next row goes
    for (int rank : ranks)
        ++next[bucket(rank) + 1];
    std::partial_sum(next.begin(), next.end(), next.begin());
    QVector<int> rows(ranks.size());
    for (int row = 0; row < ranks.size(); ++row)
        rows[next[bucket(ranks[row])]++] = row;
    return rows;
}

bool onlyDigits(const QString &text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// A number written in digits without its leading zeros, which the collation
// passes over too ("007" is "7").
QStringView significant(const QString &digits)
{
    qsizetype zeros = 0;
    while (zeros < digits.size() && digits.at(zeros) == QLatin1Char('0'))
        ++zeros;
    return QStringView(digits).sliced(zeros);
}

// The rank of each text: texts the collation counts equal share one. Texts
// of digits alone (serial numbers, mostly) are ranked as numbers at once,
// which is what the collation's numeric mode makes of them.
QVector<int> rankTexts(const QVector<QString> &texts, int *rankCount)
{
    const int n = int(texts.size());
    QVector<int> sorted(n);
    std::iota(sorted.begin(), sorted.end(), 0);
    std::function<int(int, int)> compare;
    std::vector<QStringView> numbers;
    std::vector<QCollatorSortKey> keys;
    if (std::all_of(texts.begin(), texts.end(), onlyDigits)) {
        numbers.reserve(size_t(n));
        for (const QString &t : texts)
            numbers.push_back(significant(t));
        compare = [&numbers](int a, int b) {
            const QStringView x = numbers[size_t(a)], y = numbers[size_t(b)];
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            return x.compare(y);
        };
    } else {
        QCollator collator(QLocale(QLocale::Russian, QLocale::Russia));
        collator.setNumericMode(true);
        keys.reserve(size_t(n));
        for (const QString &t : texts)
            keys.push_back(collator.sortKey(t));
        compare = [&keys](int a, int b) {
            return keys[size_t(a)].compare(keys[size_t(b)]);
        };
    }
    std::sort(sorted.begin(), sorted.end(), [&](int a, int b) { return compare(a, b) < 0; });
    QVector<int> ranks(n);
    int rank = -1;
    for (int i = 0; i < n; ++i) {
        if (i == 0 || compare(sorted[i - 1], sorted[i]) != 0)
            ++rank;
        ranks[sorted[i]] = rank;
    }
    *rankCount = rank + 1;
    return ranks;
}

// Rows by their texts: each distinct text is ranked once.
QVector<int> sortTexts(int rows, const std::function<QString(int)> &textOf, Qt::SortOrder order)
{
    QHash<QString, int> known;
    QVector<QString> distinct;
    QVector<int> ranks(rows, Empty);
    for (int row = 0; row < rows; ++row) {
        const QString text = textOf(row);
        if (text.isEmpty())
            continue;
        const auto it = known.constFind(text);
        if (it != known.constEnd()) {
            ranks[row] = *it;
        } else {
            ranks[row] = int(distinct.size());
            known.insert(text, ranks[row]);
            distinct.append(text);
        }
    }
    int rankCount = 0;
    const QVector<int> rankOf = rankTexts(distinct, &rankCount);
    for (int &r : ranks)
        if (r != Empty)
            r = rankOf[r];
    return orderByRanks(ranks, rankCount, order);
}

// Rows by a key of each non-empty cell; keyOf returns false for an empty one.
template <typename Key>
QVector<int> sortKeys(int rows, const std::function<bool(int, Key *)> &keyOf, Qt::SortOrder order)
{
    std::vector<std::pair<Key, int>> keyed;
    keyed.reserve(size_t(rows));
    QVector<int> empty;
    for (int row = 0; row < rows; ++row) {
        Key key{};
        if (keyOf(row, &key))
            keyed.emplace_back(key, row);
        else
            empty.append(row);
    }
    if (order == Qt::AscendingOrder)
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
    else
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto &a, const auto &b) { return b.first < a.first; });
    QVector<int> result;
    result.reserve(rows);
    for (const auto &k : keyed)
        result.append(k.second);
    result.append(empty);
    return result;
}

// A time stamp as the calendar shows it, whatever its time zone.
qint64 momentOf(const QVariant &v)
{
    const QDateTime dt =
        v.typeId() == QMetaType::QDate ? v.toDate().startOfDay(Qt::UTC) : v.toDateTime();
    return QDateTime(dt.date(), dt.time(), Qt::UTC).toMSecsSinceEpoch();
}

} // namespace

QVector<int> SortedTexts(const QStringList &texts, Qt::SortOrder order)
{
    return sortTexts(
        int(texts.size()), [&texts](int row) { return texts.at(row); }, order);
}

QVector<int> SortedRows(const TDataSet *ds, int field, Qt::SortOrder order)
{
    const int rows = ds ? ds->RecordCount() : 0;
    if (!ds || field < 0 || field >= ds->Fields().size()) {
        QVector<int> same(rows);
        std::iota(same.begin(), same.end(), 0);
        return same;
    }
    switch (ds->Fields()[field].type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt:
    case FieldType::Boolean:
        return sortKeys<qint64>(
            rows,
            [ds, field](int row, qint64 *key) {
                const QVariant v = ds->Value(row, field);
                bool ok = false;
                *key = v.toLongLong(&ok);
                return !v.isNull() && ok;
            },
            order);
    case FieldType::Float:
        return sortKeys<double>(
            rows,
            [ds, field](int row, double *key) {
                const QVariant v = ds->Value(row, field);
                bool ok = false;
                *key = v.toDouble(&ok);
                return !v.isNull() && ok && !std::isnan(*key);
            },
            order);
    case FieldType::Date:
    case FieldType::DateTime:
        return sortKeys<qint64>(
            rows,
            [ds, field](int row, qint64 *key) {
                const QVariant v = ds->Value(row, field);
                if (v.isNull() ||
                    (v.typeId() != QMetaType::QDate && v.typeId() != QMetaType::QDateTime))
                    return false;
                *key = momentOf(v);
                return true;
            },
            order);
    case FieldType::String:
        break;
    }
    return sortTexts(
        rows, [ds, field](int row) { return ds->DisplayText(row, field); }, order);
}
