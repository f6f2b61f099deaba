#pragma once
// The find box of a list: typing moves the grid's current row to the first
// row whose shown text contains what was typed (case-insensitive), over the
// visible columns or the one chosen beside the box; F3 and Shift+F3 go to the
// next and previous match, wrapping; Ctrl+F puts the focus into the box and
// Esc empties it. A text no row shows leaves the row where it is and colours
// the box. The row moves as a click on it would move it, so that details,
// the command rules and the record commands follow; nothing is read again.

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLineEdit;
class TDBGrid;
class TGridSearch;

class TGridFind : public QWidget
{
    Q_OBJECT
public:
    // Ctrl+F, F3 and Shift+F3 work while the focus is anywhere in scope (the
    // panel holding the grid and the box), which is also the parent.
    TGridFind(TDBGrid *grid, QWidget *scope);

    TDBGrid *Grid() const { return m_grid; }
    TGridSearch *Search() const { return m_search; }
    // Whether the last search found no row.
    bool NoMatch() const { return m_noMatch; }

    // The first match from the top (what typing does).
    void FindFirst();
    void FindNext();
    void FindPrevious();
    void FocusBox();
    void Clear();

    QLineEdit *txtFind;
    QComboBox *cbFindColumn; // "во всех столбцах", then the grid's columns

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The fields searched: the chosen column's, or those of every column
    // shown.
    QStringList searchedFields() const;
    // Searches those fields in the order the grid shows; returns them.
    QStringList followGrid();
    void step(bool forward);
    void moveTo(int row);
    void setNoMatch(bool noMatch);
    void fillColumns();

    TDBGrid *m_grid;
    TGridSearch *m_search;
    bool m_noMatch = false;
    // The first match of a text from the top; typing on from that text
    // starts there, as no row above it can hold the longer text.
    struct {
        bool valid = false;
        QString text;
        QStringList fields;
        quint64 generation = 0;
        int row = -1;
    } m_first;
};
