#pragma once
// Finding a row of a dataset by the text its cells show, case-insensitive.
// The cells are read once from the dataset itself (not through the Qt model)
// into one folded text, the searched cells of every row one after another,
// each closed by a zero character; a search is then a scan of that text, with
// no allocation and no dataset call per cell. The text is made again after
// the rows or a lookup source behind them changed.

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

class TDataSet;

class TGridSearch : public QObject
{
    Q_OBJECT
public:
    explicit TGridSearch(TDataSet *dataSet, QObject *parent = nullptr);
    ~TGridSearch() override;

    TDataSet *DataSet() const;
    // The fields searched, by name; a name the dataset does not know is
    // skipped.
    void SetFields(const QStringList &fields);
    const QStringList &Fields() const { return m_fields; }
    // The order of the rows searched, as a sorted grid shows them: the
    // dataset row at each position (empty: the dataset's own order). The rows
    // Find and RowMatches take and give are positions in this order.
    void SetOrder(const QVector<int> &order);

    // The first row, starting at from and going forward or backward, one of
    // whose fields shows a text containing text (case-insensitive); with wrap
    // the search goes on from the other end up to the row before from. -1
    // when no row matches, the text is empty or the dataset is closed.
    int Find(const QString &text, int from, bool forward = true, bool wrap = false);
    // Whether one row matches.
    bool RowMatches(const QString &text, int row);
    // Reads the cells now unless they were read since the last change, so
    // that the first search does not have to.
    void Prepare();

    // Counts the changes of the rows searched (content, values, lookup
    // sources): an earlier result holds while it stays the same.
    quint64 Generation() const { return m_generation; }

private:
    void watch(TDataSet *ds, int field, int depth);
    void invalidate();
    bool ready();
    bool setNeedle(const QString &text);
    int rowAt(qsizetype position) const;

    QPointer<TDataSet> m_dataSet;
    QStringList m_fields;
    QVector<int> m_order;
    QSet<const TDataSet *> m_watched;
    quint64 m_generation = 0;

    bool m_built = false;
    std::vector<char16_t> m_text;      // folded cells, each closed by a zero
    std::vector<qsizetype> m_rowStart; // where each row begins; one more at the end
    std::vector<char16_t> m_needle;
};
