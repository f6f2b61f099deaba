#include "reference/addressforms.h"

#include "reference/refui.h"

#include "data/dataset.h"
#include "data/datasource.h"
#include "data/dberrors.h"
#include "shell/guard.h"
#include "widgets/commandrule.h"
#include "widgets/dbgrid.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace AddrUi {

void ShowToFront(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

void RunRecordCommand(TMainForm *main, TEntity entity, TRecordCommand command)
{
    Guarded([main, entity, command] {
        TDataSet *ds = TMainForm::EntityDataSet(entity);
        // the lists stay on screen without a connection; a command there fails
        if (!ds || !ds->Active())
            throw EDatabaseError(QStringLiteral("%1: набор данных закрыт")
                                     .arg(ds ? ds->objectName() : QString()));
        switch (command) {
        case TRecordCommand::Add: main->AddRecord(entity); break;
        case TRecordCommand::Del: main->DelRecord(entity); break;
        case TRecordCommand::Edit: main->EditRecord(entity); break;
        }
    });
}

TCommandButtons NewCommandButtons(TMainForm *main, TEntity entity, const QString &suffix,
                                  const QString &noun, QWidget *parent)
{
    TCommandButtons c;
    c.add = NewCommandButton(TRecordCommand::Add, QStringLiteral("cmdAdd") + suffix,
                             QStringLiteral("Добавить ") + noun, parent);
    c.del = NewCommandButton(TRecordCommand::Del, QStringLiteral("cmdDel") + suffix,
                             QStringLiteral("Удалить ") + noun, parent);
    c.edit = NewCommandButton(TRecordCommand::Edit, QStringLiteral("cmdEdit") + suffix,
                              QStringLiteral("Редактировать ") + noun, parent);
    const std::pair<QToolButton *, TRecordCommand> wiring[] = {
        {c.add, TRecordCommand::Add}, {c.del, TRecordCommand::Del}, {c.edit, TRecordCommand::Edit}};
    for (const auto &[button, command] : wiring)
        QObject::connect(button, &QToolButton::clicked, button,
                         [main, entity, command = command] {
                             RunRecordCommand(main, entity, command);
                         });
    return c;
}

} // namespace AddrUi

using namespace AddrUi;

// ---- list windows ----------------------------------------------------------

TAddrListForm::TAddrListForm(TMainForm *main, TEntity entity, TDataSource *source,
                             const TLayout &layout)
    : QWidget(nullptr, Qt::Window), m_main(main), m_entity(entity)
{
    setObjectName(QString::fromLatin1(layout.name));
    setWindowTitle(layout.caption);
    // an open list window does not keep the program running
    setAttribute(Qt::WA_QuitOnClose, false);

    QLabel *strip = NewStrip(QString::fromLatin1(layout.stripName), layout.strip, this);
    m_grid = new TDBGrid(source, this, QString::fromLatin1(layout.gridName));
    m_commands = NewCommandButtons(main, entity, QString::fromLatin1(layout.commandSuffix),
                                   layout.noun, this);
    m_close = new QPushButton(QStringLiteral("Закрыть"), this);
    m_close->setObjectName(QStringLiteral("btnClose"));
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_grid, &TDBGrid::DblClick, this, &TAddrListForm::gridDblClick);

    // delete and edit while the list is not empty; at first as it is now
    TDataSet *ds = source->DataSet();
    const bool any = ds && ds->Active() && !ds->IsEmpty();
    m_commands.del->setEnabled(any);
    m_commands.edit->setEnabled(any);
    BindEnabledWhenNotEmpty(source, ds, {m_commands.del, m_commands.edit});

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    outer->addWidget(strip);
    outer->addLayout(
        RefUi::NewGridRow(m_grid, {m_commands.add, m_commands.del, m_commands.edit}), 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_close);
    outer->addLayout(bottom);
    resize(layout.size);
}

void TAddrListForm::gridDblClick()
{
    if (IsDataRowHit(m_grid))
        RunRecordCommand(m_main, m_entity, TRecordCommand::Edit);
}

// ---- edit dialogs ----------------------------------------------------------

TAddrEditForm::TAddrEditForm(const char *name, const QString &caption, QWidget *owner)
    : QDialog(owner), m_form(new QFormLayout)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(caption);
    m_form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_form->setHorizontalSpacing(8);
    m_form->setVerticalSpacing(6);
}

void TAddrEditForm::AddRow(const QString &label, QWidget *control)
{
    auto *l = new QLabel(label, this);
    l->setBuddy(control);
    control->setMinimumWidth(260);
    m_form->addRow(l, control);
    if (m_last)
        setTabOrder(m_last, control);
    m_last = control;
}

void TAddrEditForm::FinishLayout()
{
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    if (m_last) {
        setTabOrder(m_last, btnOK);
        setTabOrder(btnOK, btnCancel);
    }

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(12, 12, 12, 10);
    outer->setSpacing(12);
    outer->addLayout(m_form);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);
}
