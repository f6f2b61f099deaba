#pragma once
// The in-place editors of TDBGrid: a line edit for a field (at most its size
// for texts), a drop-down list of the lookup dataset for a lookup field.

#include <QPointer>
#include <QStyledItemDelegate>

class TDBGridColumns;

// A delegate whose cells show a text of their own (a format the window
// chooses) instead of the dataset's: copying and saving the list take that
// text, so that they give what the grid shows.
class TCellTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    virtual QString CellText(const QModelIndex &index) const = 0;
};

class TDBGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    TDBGridDelegate(TDBGridColumns *columns, QObject *parent);

    // The editor open at the moment, if any.
    QWidget *OpenEditor() const;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    // Writes only what the operator changed; a text that is no value of the
    // field is refused with a warning and stores nothing.
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

signals:
    // The operator started to change the cell (first keystroke or pick).
    void Typing();
    // A value of the operator went into the row.
    void Written();

private:
    TDBGridColumns *m_columns;
    mutable QPointer<QWidget> m_editor;
};
