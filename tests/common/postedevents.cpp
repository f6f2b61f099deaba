#include "common/postedevents.h"

#include <QCoreApplication>

void DeliverPostedEvents()
{
    // each round delivers what the round before posted: a few rounds cover
    // the chains of queued steps the controls make
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}
