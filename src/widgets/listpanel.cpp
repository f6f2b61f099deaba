#include "widgets/listpanel.h"

#include "base/guard.h"
#include "data/dataset.h"
#include "data/datasource.h"
#include "widgets/commandrule.h"
#include "widgets/dbgrid.h"
#include "widgets/gridfind.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

QIcon RecordCommandIcon(TRecordCommand command)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (command) {
    case TRecordCommand::Add:
        p.fillRect(QRect(7, 2, 3, 12), QColor(0, 140, 0));
        p.fillRect(QRect(2, 7, 12, 3), QColor(0, 140, 0));
        break;
    case TRecordCommand::Del:
        p.fillRect(QRect(2, 7, 12, 3), QColor(200, 0, 0));
        break;
    case TRecordCommand::Edit: {
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(QColor(230, 180, 30));
        const QPointF body[] = {{3, 11}, {11, 3}, {13, 5}, {5, 13}};
        p.drawPolygon(body, 4);
        p.setBrush(QColor(40, 40, 40));
        const QPointF tip[] = {{3, 11}, {5, 13}, {2, 14}};
        p.drawPolygon(tip, 3);
        break;
    }
    }
    return QIcon(pm);
}

QToolButton *NewIconButton(const QIcon &icon, const QString &name, const QString &hint,
                           QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setIcon(icon);
    b->setIconSize(QSize(16, 16));
    b->setFixedSize(24, 24);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLabel *NewStrip(const QString &name, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Raised);
    l->setMargin(3);
    l->setAutoFillBackground(true);
    l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

TDBGrid *NewGrid(const QString &name, TDataSource *source, const QList<TGridColumn> &columns,
                 QWidget *parent)
{
    auto *grid = new TDBGrid(source, parent, name);
    for (const TGridColumn &c : columns)
        grid->AddColumn(c.title, c.field, c.width);
    return grid;
}

TListPanel::TListPanel(TDataSource *source, const TDef &def, QWidget *parent)
    : QWidget(parent), m_source(source), m_buttons(new QVBoxLayout)
{
    setObjectName(QString::fromLatin1(def.name));
    Strip = NewStrip(QString::fromLatin1(def.stripName), def.strip, this);
    Grid = NewGrid(QString::fromLatin1(def.gridName), source, def.columns, this);
    // a screen reader names the list as its strip does
    QString name = def.strip.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    Grid->setAccessibleName(name);

    m_buttons->setContentsMargins(0, 0, 0, 0);
    m_buttons->setSpacing(2);
    if (def.commands) {
        const QString suffix = QString::fromLatin1(def.commands);
        cmdAdd = newCommand(TRecordCommand::Add, QStringLiteral("cmdAdd") + suffix,
                            QStringLiteral("Добавить ") + def.noun);
        cmdDel = newCommand(TRecordCommand::Del, QStringLiteral("cmdDel") + suffix,
                            QStringLiteral("Удалить ") + def.noun);
        cmdEdit = newCommand(TRecordCommand::Edit, QStringLiteral("cmdEdit") + suffix,
                             QStringLiteral("Редактировать ") + def.noun);
        QWidget::setTabOrder(Grid, cmdAdd);
        QWidget::setTabOrder(cmdAdd, cmdDel);
        QWidget::setTabOrder(cmdDel, cmdEdit);

        // at first as the lists are now; then the change rule
        const auto notEmpty = [](TDataSet *d) {
            return d && d->Active() && !d->IsEmpty();
        };
        TDataSet *ds = source->DataSet();
        cmdDel->setEnabled(notEmpty(ds));
        cmdEdit->setEnabled(notEmpty(ds));
        BindEnabledWhenNotEmpty(source, ds, {cmdDel, cmdEdit});
        if (def.master) {
            cmdAdd->setEnabled(notEmpty(def.master));
            BindEnabledWhenNotEmpty(source, def.master, {cmdAdd});
        }
    }
    connect(Grid, &TDBGrid::DblClick, this, [this] {
        if (!IsDataRowHit(Grid))
            return;
        if (m_dblClick)
            Guarded(m_dblClick);
        else if (cmdEdit)
            RunCommand(TRecordCommand::Edit);
    });
    setFocusProxy(Grid);
    m_buttons->addStretch(1);

    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(Grid, 1);
    row->addLayout(m_buttons);
    m_outer = new QVBoxLayout(this);
    m_outer->setContentsMargins(0, 0, 0, 0);
    m_outer->setSpacing(2);
    m_outer->addWidget(Strip);
    m_outer->addLayout(row, 1);
}

void TListPanel::AddAboveGrid(QLayout *row)
{
    m_outer->insertLayout(m_outer->count() - 1, row);
}

TGridFind *TListPanel::AddFindBox()
{
    if (!m_find) {
        m_find = new TGridFind(Grid, this);
        auto *row = new QHBoxLayout;
        row->addWidget(m_find);
        row->addStretch(1);
        AddAboveGrid(row);
    }
    return m_find;
}

TDataSet *TListPanel::DataSet() const
{
    return m_source->DataSet();
}

QToolButton *TListPanel::newCommand(TRecordCommand command, const QString &name,
                                    const QString &hint)
{
    QToolButton *b = NewIconButton(RecordCommandIcon(command), name, hint, this);
    m_buttons->addWidget(b);
    connect(b, &QToolButton::clicked, this, [this, command] { RunCommand(command); });
    return b;
}

void TListPanel::AddCommand(QToolButton *button)
{
    button->setParent(this);
    m_buttons->insertWidget(m_buttons->count() - 1, button);
}

void TListPanel::SetCommand(TRecordCommand command, std::function<void()> action)
{
    m_actions[int(command)] = std::move(action);
}

void TListPanel::RunCommand(TRecordCommand command)
{
    Guarded([this, command] {
        if (const auto &action = m_actions[int(command)])
            action();
        else
            RunRecordCommand(DataSet(), command);
    });
}
