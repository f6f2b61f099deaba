#include "common/archviewers.h"

#include "archive/archdataviewfrm.h"

#include <QApplication>

QList<TArchDataViewForm *> ArchiveViewers()
{
    QList<TArchDataViewForm *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *v = qobject_cast<TArchDataViewForm *>(w))
            found << v;
    return found;
}
