#include "flatreg/flatregicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QColor Outline(60, 60, 60);

void drawClipboard(QPainter &p)
{
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(QColor(190, 140, 80));
    p.drawRoundedRect(QRectF(5, 4, 22, 26), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 8, 16, 19));
    p.setBrush(QColor(160, 160, 160));
    p.drawRoundedRect(QRectF(11, 2, 10, 5), 1.5, 1.5);
    p.setPen(QPen(QColor(90, 90, 200), 1.5));
    for (int y = 12; y <= 24; y += 4)
        p.drawLine(QPointF(11, y), QPointF(21, y));
}

void drawOpen(QPainter &p)
{
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(QColor(230, 190, 80));
    p.drawRect(QRectF(3, 9, 22, 18));
    p.drawRect(QRectF(3, 6, 9, 4));
    p.setBrush(QColor(250, 215, 110));
    const QPointF flap[] = {{7, 14}, {30, 14}, {25, 27}, {3, 27}};
    p.drawPolygon(flap, 4);
}

void drawSave(QPainter &p)
{
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(QColor(60, 100, 180));
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 4, 14, 9));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(8, 18, 16, 10));
    p.setBrush(QColor(60, 100, 180));
    p.drawRect(QRectF(18, 6, 3, 5));
}

void drawNew(QPainter &p)
{
    // a house with a green plus
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(QColor(200, 70, 50));
    const QPointF roof[] = {{2, 15}, {14, 4}, {26, 15}};
    p.drawPolygon(roof, 3);
    p.setBrush(QColor(235, 225, 200));
    p.drawRect(QRectF(5, 15, 18, 14));
    p.setBrush(QColor(120, 170, 220));
    p.drawRect(QRectF(8, 18, 5, 5));
    p.drawRect(QRectF(15, 18, 5, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 150, 0));
    p.drawRect(QRectF(24, 17, 4, 14));
    p.drawRect(QRectF(19, 22, 14, 4));
}

void drawRun(QPainter &p)
{
    p.setPen(QPen(QColor(0, 100, 0), 1.5));
    p.setBrush(QColor(40, 170, 40));
    const QPointF arrow[] = {{8, 4}, {28, 16}, {8, 28}};
    p.drawPolygon(arrow, 3);
}

void drawExit(QPainter &p)
{
    // a door with an arrow pointing out
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(QColor(150, 100, 60));
    p.drawRect(QRectF(4, 3, 15, 26));
    p.setBrush(QColor(230, 200, 60));
    p.drawEllipse(QPointF(16, 17), 1.5, 1.5);
    p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(14, 16), QPointF(28, 16));
    QPainterPath head;
    head.moveTo(23, 11);
    head.lineTo(28, 16);
    head.lineTo(23, 21);
    p.setBrush(Qt::NoBrush);
    p.drawPath(head);
}

} // namespace

QIcon FlatRegisterIcon(TFlatRegisterIcon icon)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (icon) {
    case TFlatRegisterIcon::Clipboard:
        drawClipboard(p);
        break;
    case TFlatRegisterIcon::Open:
        drawOpen(p);
        break;
    case TFlatRegisterIcon::Save:
        drawSave(p);
        break;
    case TFlatRegisterIcon::New:
        drawNew(p);
        break;
    case TFlatRegisterIcon::Run:
        drawRun(p);
        break;
    case TFlatRegisterIcon::Exit:
        drawExit(p);
        break;
    }
    p.end();
    return QIcon(pm);
}
