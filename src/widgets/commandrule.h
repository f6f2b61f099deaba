#pragma once
// The rule that enables the commands of a list: on every change that a data
// source reports, each command is enabled exactly when a dataset is not empty.

#include <QList>
#include <QMetaObject>

class QObject;
class TDataSet;
class TDataSource;

// Whenever source reports a change (another current row, a changed field, the
// dataset opened or run again), each command (a QWidget or a QAction) is
// enabled exactly when condition is open and not empty. Closing a dataset
// reports no change, so the commands keep their last state; nothing is set at
// the time of binding either (the window's layout gives the first state).
// Commands destroyed later are skipped. The rule lives as long as the source.
QMetaObject::Connection BindEnabledWhenNotEmpty(TDataSource *source, TDataSet *condition,
                                                const QList<QObject *> &commands);
