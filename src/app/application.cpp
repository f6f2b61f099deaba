#include "app/application.h"

#include "base/guard.h"
#include "base/utils.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(AppTitle));
    setApplicationDisplayName(QString::fromLatin1(AppTitle));
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleCurrentException();
        return false;
    }
}
