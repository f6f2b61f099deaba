#include "widgets/dbgriddelegate.h"

#include "data/dataset.h"
#include "data/datasetmodel.h"
#include "base/utils.h"
#include "widgets/dbgridcolumns.h"
#include "widgets/fieldtext.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

// The lookup field shown by a column, or nullptr for other columns.
const TFieldDef *lookupOf(TDBGridColumns *columns, int column)
{
    const int field = columns->FieldOfColumn(column);
    if (field < 0)
        return nullptr;
    const TFieldDef &f = columns->DataSet()->Fields()[field];
    return f.kind == FieldKind::Lookup && f.lookupDataSet ? &f : nullptr;
}

QVariant currentKey(TDBGridColumns *columns, int column)
{
    TDataSet *ds = columns->DataSet();
    return ds->Value(ds->RecNo(), columns->TargetField(column));
}

} // namespace

TDBGridDelegate::TDBGridDelegate(TDBGridColumns *columns, QObject *parent)
    : QStyledItemDelegate(parent), m_columns(columns)
{
}

QWidget *TDBGridDelegate::OpenEditor() const
{
    // a closed editor is hidden at once and deleted later
    return m_editor && !m_editor->isHidden() ? m_editor.data() : nullptr;
}

QWidget *TDBGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                       const QModelIndex &index) const
{
    TDataSet *ds = m_columns->DataSet();
    if (!ds || m_columns->TargetField(index.column()) < 0)
        return nullptr;
    auto *self = const_cast<TDBGridDelegate *>(this);
    QWidget *editor;
    if (const TFieldDef *lookup = lookupOf(m_columns, index.column())) {
        auto *box = new QComboBox(parent);
        box->setModel(TDataSetModel::ModelFor(lookup->lookupDataSet));
        const int shown = lookup->lookupDataSet->FieldIndex(lookup->lookupResultField);
        box->setModelColumn(qMax(0, shown));
        // a pick goes into the row at once, as typing does
        connect(box, &QComboBox::activated, self, [self, box] {
            emit self->Typing();
            emit self->commitData(box);
        });
        editor = box;
    } else {
        auto *edit = new QLineEdit(parent);
        edit->setFrame(false);
        const TFieldDef &f = ds->Fields()[m_columns->FieldOfColumn(index.column())];
        if (f.type == FieldType::String && f.size > 0)
            edit->setMaxLength(f.size);
        connect(edit, &QLineEdit::textEdited, self, &TDBGridDelegate::Typing);
        editor = edit;
    }
    m_editor = editor;
    return editor;
}

void TDBGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    TDataSet *ds = m_columns->DataSet();
    if (!ds)
        return;
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        const TFieldDef *lookup = lookupOf(m_columns, index.column());
        if (!lookup)
            return;
        TDataSet *list = lookup->lookupDataSet;
        box->setCurrentIndex(list->FindRow(list->FieldIndex(lookup->lookupKeyField),
                                           currentKey(m_columns, index.column())));
    } else if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        if (edit->isModified())
            return; // keep what the operator is typing
        const int field = m_columns->FieldOfColumn(index.column());
        const int row = m_columns->DataSetRow(index.row());
        edit->setText(FieldEditText(ds->Value(row, field), ds->Fields()[field].type));
    }
}

void TDBGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                   const QModelIndex &index) const
{
    TDataSet *ds = m_columns->DataSet();
    if (!ds)
        return;
    auto *self = const_cast<TDBGridDelegate *>(this);
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        const TFieldDef *lookup = lookupOf(m_columns, index.column());
        if (!lookup || box->currentIndex() < 0)
            return;
        TDataSet *list = lookup->lookupDataSet;
        const QVariant key =
            list->Value(box->currentIndex(), list->FieldIndex(lookup->lookupKeyField));
        const QVariant current = currentKey(m_columns, index.column());
        if (!current.isNull() && LookupKey(current) == LookupKey(key))
            return;
        if (model->setData(index, key, Qt::EditRole))
            emit self->Written();
        return;
    }
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit || !edit->isModified())
        return; // nothing typed: the row stays as it is
    const int field = m_columns->FieldOfColumn(index.column());
    const FieldType type = ds->Fields()[field].type;
    QVariant value;
    QString error;
    if (!ParseFieldText(edit->text(), type, &value, &error)) {
        edit->setModified(false);
        WarningBox(error, editor);
        return;
    }
    // an empty text stays empty where the field held one (as TDBEdit does)
    const QVariant before = ds->Value(m_columns->DataSetRow(index.row()), field);
    if (type == FieldType::String && value.isNull() && !before.isNull() &&
        before.toString().isEmpty())
        value = QString();
    edit->setModified(false);
    if (model->setData(index, value, Qt::EditRole))
        emit self->Written();
}
