#include "reference/refui.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

namespace RefUi {

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

QToolButton *NewCommandButton(TRecordCommand command, const QString &name, const QString &hint,
                              QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setIcon(RecordCommandIcon(command));
    b->setIconSize(QSize(16, 16));
    b->setFixedSize(24, 24);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QHBoxLayout *NewGridRow(QWidget *grid, std::initializer_list<QToolButton *> commands)
{
    auto *buttons = new QVBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(2);
    for (QToolButton *b : commands)
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(grid, 1);
    row->addLayout(buttons);
    return row;
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

} // namespace RefUi
