#include "widgets/editdialog.h"

#include "base/utils.h"
#include "data/dataset.h"
#include "base/guard.h"
#include "data/datasource.h"
#include "widgets/dbdateedit.h"
#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/recordcommands.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>

QHBoxLayout *NewOkCancelRow(QDialog *dialog, QPushButton **ok, QPushButton **cancel)
{
    auto *btnOK = new QPushButton(QStringLiteral("OK"), dialog);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    auto *btnCancel = new QPushButton(QStringLiteral("Отмена"), dialog);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    QObject::connect(btnOK, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(btnCancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(btnOK);
    row->addWidget(btnCancel);
    *ok = btnOK;
    *cancel = btnCancel;
    return row;
}

TEditDialog::TEditDialog(const char *name, const QString &caption, TDataSet *dataSet,
                         QWidget *owner)
    : QDialog(owner), m_outer(new QVBoxLayout(this))
{
    if (dataSet)
        SetEditDialog(dataSet, this);
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(caption);
    m_outer->setContentsMargins(12, 12, 12, 10);
    m_outer->setSpacing(8);
}

QFormLayout *TEditDialog::newForm()
{
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(6);
    if (m_labelsAbove)
        form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    m_outer->addLayout(form);
    return form;
}

void TEditDialog::SetLabelsAbove(bool above)
{
    m_labelsAbove = above;
    if (m_form)
        m_form->setRowWrapPolicy(above ? QFormLayout::WrapAllRows : QFormLayout::DontWrapRows);
}

QWidget *TEditDialog::AddRow(const QString &label, QWidget *control)
{
    if (!m_form)
        m_form = newForm();
    auto *l = new QLabel(label, this);
    const QString name = control->objectName();
    // txtPhone -> lblPhone
    if (name.size() > 3)
        l->setObjectName(QStringLiteral("lbl") + name.mid(3));
    l->setBuddy(control);
    if (!m_labelsAbove)
        control->setMinimumWidth(260);
    m_form->addRow(l, control);
    if (m_last)
        setTabOrder(m_last, control);
    m_last = control;
    if (!m_firstControl)
        m_firstControl = control;
    return l;
}

TDBEdit *TEditDialog::AddEdit(const QString &label, TDataSource *source, const QString &field,
                              const char *name)
{
    auto *edit = new TDBEdit(source, field, this, QString::fromLatin1(name));
    AddRow(label, edit);
    return edit;
}

TDBLookupComboBox *TEditDialog::AddLookup(const QString &label, TDataSource *source,
                                          const QString &field, TDataSet *lookup,
                                          const QString &lookupKey, const QString &lookupText,
                                          const char *name)
{
    auto *combo = new TDBLookupComboBox(source, field, lookup, lookupKey, lookupText, this,
                                        QString::fromLatin1(name));
    AddRow(label, combo);
    return combo;
}

void TEditDialog::AddWide(QWidget *widget, int stretch)
{
    widget->setParent(this);
    m_outer->addWidget(widget, stretch);
    m_form = nullptr;
    m_wide = true;
    if (m_last)
        setTabOrder(m_last, widget);
    m_last = widget;
}

void TEditDialog::FinishLayout(const QSize &fixedSize)
{
    QHBoxLayout *buttons = NewOkCancelRow(this, &btnOK, &btnCancel);
    if (m_last) {
        setTabOrder(m_last, btnOK);
        setTabOrder(btnOK, btnCancel);
    }
    if (fixedSize.isValid() || m_wide)
        m_outer->addStretch(0);
    m_outer->addSpacing(4);
    m_outer->addLayout(buttons);
    if (fixedSize.isValid())
        setFixedSize(fixedSize);
    else if (!m_wide)
        m_outer->setSizeConstraint(QLayout::SetFixedSize);
}

bool TEditDialog::RequireText(TDataSet *dataSet, const QString &field, const QString &warning)
{
    // empty means no character at all: a name of blanks is a name
    if (!dataSet->FieldValue(field).toString().isEmpty())
        return true;
    WarningBox(warning, this);
    return false;
}

bool TEditDialog::RequireValue(TDataSet *dataSet, const QString &field, const QString &warning)
{
    if (!dataSet->FieldValue(field).isNull())
        return true;
    WarningBox(warning, this);
    return false;
}

void TEditDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous() && m_firstControl)
        m_firstControl->setFocus();
}

void TEditDialog::done(int result)
{
    if (result == QDialog::Accepted && !CloseCheck())
        return;
    QDialog::done(result);
}

QToolButton *TEditDialog::NewSideButton(const QString &text, const char *name, const QString &hint)
{
    auto *b = new QToolButton;
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QWidget *TEditDialog::WithSideButton(QWidget *control, QToolButton *button, bool stretch)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    control->setParent(row);
    button->setParent(row);
    layout->addWidget(control, stretch ? 1 : 0);
    layout->addWidget(button);
    if (!stretch)
        layout->addStretch(1);
    const int h = control->sizeHint().height();
    button->setFixedSize(qMax(h, 22), h);
    return row;
}

QWidget *TEditDialog::NewDateRow(TDataSource *source, const QString &field, const char *editName,
                                 const char *buttonName, TDBDateEdit **edit, QToolButton **button)
{
    auto *e = new TDBDateEdit(source, field, nullptr, QString::fromLatin1(editName));
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 16);
    QToolButton *b = NewSideButton(QStringLiteral("X"), buttonName, QStringLiteral("Убрать дату"));
    connect(b, &QToolButton::clicked, this, [e, source, field] {
        Guarded([&] {
            // a half-typed date goes with the stored one
            e->clear();
            source->DataSet()->SetFieldValue(field, QVariant());
        });
    });
    *edit = e;
    *button = b;
    return WithSideButton(e, b, false);
}
