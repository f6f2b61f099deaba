#pragma once
// The columns of one grid over the shared model of its dataset: which fields
// it shows, in which order, under which titles, which cells the operator may
// edit in place, and in which order the rows show (the dataset's own, or
// sorted by a column: see gridsort.h). Sorting changes only what this grid
// shows: the dataset, its current row and every other grid keep their order.

#include <QAbstractProxyModel>
#include <QPointer>
#include <QVector>

class TDataSet;

class TDBGridColumns : public QAbstractProxyModel
{
    Q_OBJECT
public:
    struct Column {
        QString title;
        QString fieldName;
        bool readOnly = false;
    };

    explicit TDBGridColumns(QObject *parent = nullptr);

    // Shows the dataset through its shared model (TDataSetModel::ModelFor).
    void SetDataSet(TDataSet *dataSet);
    TDataSet *DataSet() const;

    // Without columns of its own the grid shows every field under its name.
    int AddColumn(const QString &title, const QString &fieldName);
    const QVector<Column> &Columns() const { return m_columns; }
    void SetColumnReadOnly(int column, bool readOnly);
    // Whether cells may be edited at all (read-only by default).
    void SetEditable(bool editable) { m_editable = editable; }
    bool Editable() const { return m_editable; }

    // The dataset field a column shows; -1 while the dataset does not know it.
    int FieldOfColumn(int column) const;
    // The field an edit of the column writes: the field itself, or the key
    // field of a lookup field. -1 when the column cannot be edited.
    int TargetField(int column) const;

    // Shows the rows sorted by a column (-1: in the dataset's order). The
    // order is made again whenever the dataset is read again; rows added
    // meanwhile show at the end, changed values stay where they are.
    void SortBy(int column, Qt::SortOrder order = Qt::AscendingOrder);
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }
    // The dataset row shown at a row of the grid, and back; -1 for none.
    int DataSetRow(int shownRow) const;
    int ShownRow(int dataSetRow) const;
    // The dataset rows in the order shown; empty while in the dataset's order.
    const QVector<int> &ShownOrder() const { return m_order; }

    QModelIndex index(int row, int column,
                      const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Writes a value of the field (the key, for a lookup column) into the
    // current row with TDataSet::SetValue; errors go to the error box.
    bool setData(const QModelIndex &index, const QVariant &value,
                 int role = Qt::EditRole) override;

signals:
    // Around every change of rows or columns, before the views hear of it and
    // after they have: moves of the current index in between are no operator's.
    void ChangeBegins();
    void ChangeEnds();
    // The rows show in another order (sorted, or sorted again after a re-read).
    void OrderChanged();

private:
    void setSourceModel(QAbstractItemModel *model) override;
    // Makes the order of the sort column from the dataset's rows as they are.
    void makeOrder();
    void findPositions();
    void rowsComing(int first, int last);
    void rowsCame(int first, int last);
    void rowsGoing(int first, int last);
    void rowsGone(int first, int last);

    QPointer<TDataSet> m_dataSet;
    QVector<Column> m_columns;
    mutable QVector<int> m_fieldOf; // the field of each column, by FieldOfColumn
    mutable int m_fieldCount = -1;  // the dataset's field count it was made for
    bool m_editable = false;

    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QVector<int> m_order;     // the dataset row at each row shown
    QVector<int> m_position;  // the row shown of each dataset row
    int m_insertAt = -1;      // where rows being inserted will show
    bool m_resetting = false; // a change the sorted view takes as a reset
};
