#pragma once
// The flat register table as plain text: row 0 is the title line, every
// further row one meter; every row holds ColumnCount() cells. The text form is
// the one the clipboard and the ".csv" files carry: one line per row, cells
// separated by one character (TAB in the clipboard, ";" in files), no quoting.

#include <QString>
#include <QStringList>
#include <QVector>

class TFlatTable
{
public:
    // The loader never makes a table smaller than this.
    static constexpr int MinColumns = 2;
    static constexpr int MinRows = 2;
    // A text beyond these is refused rather than loaded: no building has so
    // many meters, and a window could not show them.
    static constexpr int MaxColumns = 256;
    static constexpr int MaxRows = 100000;

    TFlatTable(int columns = MinColumns, int rows = MinRows);

    int ColumnCount() const { return m_columns; }
    int RowCount() const { return int(m_rows.size()); }
    QString Cell(int column, int row) const;
    // Widens or lengthens the table when the cell lies beyond it.
    void SetCell(int column, int row, const QString &text);
    const QStringList &Row(int row) const { return m_rows[row]; }
    // Cells that come into being are empty; cells that go are dropped.
    void Resize(int columns, int rows);

    // Reads a text. A CR LF pair, a lone CR and a lone LF each end a line;
    // the characters after the last line end are not taken (cells of that
    // line before its last separator are). The table is at least 2 x 2.
    // False, with the reason in error and the table untouched, when the text
    // has more than MaxRows lines or MaxColumns cells in a line.
    bool Parse(const QString &text, QChar separator, QString *error = nullptr);
    // The text that Parse reads back into this table: every row, the title
    // row included, with its cells joined by ";" and ended by CR LF. The
    // cells of the status column are not saved: they are written empty, so
    // that the columns after it keep their places, and left out when no
    // column follows (an eight-column table saves seven cells a row).
    QString SaveText(int statusColumn) const;
    // Why SaveText would not load back into the same table, or an empty text:
    // a saved cell that holds ";", CR, LF or a zero character, or one that a
    // Windows-1251 file cannot hold. Names the row (1 for the first meter row)
    // and the column with its title, if titles gives one.
    QString SaveProblem(int statusColumn, const QStringList &titles = {}) const;

private:
    int m_columns;
    QVector<QStringList> m_rows;
};
