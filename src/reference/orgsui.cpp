#include "reference/orgsui.h"

#include "data/dataset.h"
#include "shell/utils.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace OrgsUi {

using RefUi::NewCommandButton;
using RefUi::TRecordCommand;

TDBGrid *NewGrid(const QString &name, TDataSource *source, const QList<TGridColumn> &columns,
                 QWidget *parent)
{
    auto *grid = new TDBGrid(source, parent, name);
    for (const TGridColumn &c : columns)
        grid->AddColumn(c.title, c.field, c.width);
    return grid;
}

TListCommands NewCommands(const TCommandDef &add, const TCommandDef &del,
                          const TCommandDef &edit, QWidget *parent)
{
    TListCommands c;
    c.add = NewCommandButton(TRecordCommand::Add, add.name, add.hint, parent);
    c.del = NewCommandButton(TRecordCommand::Del, del.name, del.hint, parent);
    c.edit = NewCommandButton(TRecordCommand::Edit, edit.name, edit.hint, parent);
    // nothing to delete or edit until the list reports rows
    c.del->setEnabled(false);
    c.edit->setEnabled(false);
    return c;
}

QWidget *NewListPanel(const QString &name, QLabel *strip, TDBGrid *grid,
                      const TListCommands &commands, QWidget *parent)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(name);
    strip->setParent(panel);
    grid->setParent(panel);
    for (QToolButton *b : {commands.add, commands.del, commands.edit})
        b->setParent(panel);
    QHBoxLayout *row = RefUi::NewGridRow(grid, {commands.add, commands.del, commands.edit});
    auto *outer = new QVBoxLayout(panel);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(2);
    outer->addWidget(strip);
    outer->addLayout(row, 1);
    // tab order: the grid, then the commands in their order
    QWidget::setTabOrder(grid, commands.add);
    QWidget::setTabOrder(commands.add, commands.del);
    QWidget::setTabOrder(commands.del, commands.edit);
    return panel;
}

TDBEdit *AddFieldRow(QFormLayout *form, const QString &label, TDataSource *source,
                     const QString &field, const QString &name)
{
    QWidget *owner = form->parentWidget();
    auto *edit = new TDBEdit(source, field, owner, name);
    auto *lbl = new QLabel(label, owner);
    lbl->setObjectName(QStringLiteral("lbl") + name.mid(3)); // txtPhone -> lblPhone
    lbl->setBuddy(edit);
    form->addRow(lbl, edit);
    return edit;
}

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
    if (ok)
        *ok = btnOK;
    if (cancel)
        *cancel = btnCancel;
    return row;
}

bool RequireText(TDataSet *dataSet, const QString &field, const QString &warning,
                 QWidget *parent)
{
    // empty means no character at all: a name of blanks is a name
    if (!dataSet->FieldValue(field).toString().isEmpty())
        return true;
    WarningBox(warning, parent);
    return false;
}

void TCheckedDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous() && m_firstControl)
        m_firstControl->setFocus();
}

void TCheckedDialog::done(int result)
{
    if (result == QDialog::Accepted && !CloseCheck())
        return;
    QDialog::done(result);
}

} // namespace OrgsUi
