#include "common/realbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>

TBoxReader::TBoxReader(ShownBox *shown)
{
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, shown] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        m_timer.stop();
        shown->seen = true;
        shown->title = box->windowTitle();
        shown->text = box->text();
        shown->icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            shown->buttons << b->text();
        shown->buttons.sort();
        if (box->defaultButton())
            shown->defaultButton = box->defaultButton()->text();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    m_timer.start();
}
