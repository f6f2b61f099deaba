#include "flatreg/flattable.h"

#include "base/textcodec.h"

#include <algorithm>

TFlatTable::TFlatTable(int columns, int rows)
{
    m_columns = 0;
    Resize(columns, rows);
}

QString TFlatTable::Cell(int column, int row) const
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= m_columns)
        return QString();
    return m_rows[row][column];
}

void TFlatTable::SetCell(int column, int row, const QString &text)
{
    if (column < 0 || row < 0)
        return;
    Resize(qMax(m_columns, column + 1), qMax(RowCount(), row + 1));
    m_rows[row][column] = text;
}

void TFlatTable::Resize(int columns, int rows)
{
    columns = qMax(0, columns);
    rows = qMax(0, rows);
    m_rows.resize(rows);
    for (QStringList &row : m_rows) {
        if (row.size() > columns)
            row.erase(row.begin() + columns, row.end());
        while (row.size() < columns)
            row.append(QString());
    }
    m_columns = columns;
}

bool TFlatTable::Parse(const QString &text, QChar separator, QString *error)
{
    QVector<QStringList> rows;
    QStringList line;
    int columns = MinColumns;
    qsizetype cellStart = 0;
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = text.at(i);
        const bool lineEnd = c == QLatin1Char('\r') || c == QLatin1Char('\n');
        if (!lineEnd && c != separator)
            continue;
        line << text.mid(cellStart, i - cellStart);
        if (line.size() > MaxColumns)
            return fail(QStringLiteral("В строке %1 больше %2 столбцов: такая таблица не может "
                                       "быть загружена !")
                            .arg(rows.size() + 1)
                            .arg(MaxColumns));
        columns = qMax(columns, int(line.size()));
        if (lineEnd) {
            // the LF of a CR LF pair belongs to the same line end
            if (c == QLatin1Char('\r') && i + 1 < length && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            rows << line;
            line.clear();
            if (rows.size() > MaxRows)
                return fail(QStringLiteral("В тексте больше %1 строк: такая таблица не может "
                                           "быть загружена !")
                                .arg(MaxRows));
        }
        cellStart = i + 1;
    }
    // the cell after the last separator of an unended line is dropped
    if (!line.isEmpty())
        rows << line;

    m_rows = std::move(rows);
    m_columns = 0;
    Resize(columns, qMax(int(m_rows.size()), MinRows));
    return true;
}

QString TFlatTable::SaveText(int statusColumn) const
{
    QString text;
    const int saved = statusColumn == m_columns - 1 ? statusColumn : m_columns;
    for (const QStringList &row : m_rows) {
        for (int c = 0; c < saved; ++c) {
            if (c > 0)
                text += QLatin1Char(';');
            if (c != statusColumn)
                text += row[c];
        }
        text += QLatin1String("\r\n");
    }
    return text;
}

QString TFlatTable::SaveProblem(int statusColumn, const QStringList &titles) const
{
    for (int r = 0; r < RowCount(); ++r) {
        for (int c = 0; c < m_columns; ++c) {
            if (c == statusColumn)
                continue;
            const QString &cell = m_rows[r][c];
            QString what;
            if (cell.contains(QLatin1Char(';')) || cell.contains(QLatin1Char('\r')) ||
                cell.contains(QLatin1Char('\n'))) {
                what = QStringLiteral("содержит точку с запятой или перевод строки, и при "
                                      "загрузке файла столбцы сместятся или строка разделится");
            } else if (cell.contains(QChar(0))) {
                // a file is read up to its first zero byte
                what = QStringLiteral("содержит символ с кодом 0, и при загрузке файла "
                                      "таблица на нём оборвётся");
            } else {
                bool complete = true;
                TextCodec::EncodeWin1251(cell, &complete);
                if (!complete)
                    what = QStringLiteral("содержит символы, которых нет в кодировке "
                                          "Windows-1251");
            }
            if (what.isEmpty())
                continue;
            const QString row = r == 0 ? QStringLiteral("в строке заголовков")
                                       : QStringLiteral("в строке %1").arg(r);
            QString column = QString::number(c + 1);
            if (!titles.value(c).isEmpty())
                column += QStringLiteral(" (\"%1\")").arg(titles.value(c));
            return QStringLiteral("Таблица не сохранена: ячейка %1, столбце %2 %3. Исправьте "
                                  "ячейку и сохраните таблицу снова !")
                .arg(row, column, what);
        }
    }
    return QString();
}
