#include "widgets/commandrule.h"

#include "data/dataset.h"
#include "data/datasource.h"

#include <QAction>
#include <QPointer>
#include <QWidget>

QMetaObject::Connection BindEnabledWhenNotEmpty(TDataSource *source, TDataSet *condition,
                                                const QList<QObject *> &commands)
{
    QList<QPointer<QObject>> targets;
    for (QObject *c : commands)
        targets.append(c);
    QPointer<TDataSet> cond(condition);
    return QObject::connect(source, &TDataSource::DataChange, source, [targets, cond] {
        const bool on = cond && cond->Active() && !cond->IsEmpty();
        for (const QPointer<QObject> &target : targets) {
            if (auto *w = qobject_cast<QWidget *>(target.data()))
                w->setEnabled(on);
            else if (auto *a = qobject_cast<QAction *>(target.data()))
                a->setEnabled(on);
        }
    });
}
