#pragma once
// Building blocks shared by the organisation, bank account and CTP windows:
// heading strips, the add/delete/edit button column beside a list, field rows
// of the edit dialogs, their OK/Cancel row and their close check.

#include "reference/refui.h"

#include <QDialog>
#include <QList>
#include <QString>

class QFormLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;
class TDataSet;
class TDataSource;
class TDBEdit;
class TDBGrid;

namespace OrgsUi {

using RefUi::NewStrip;

struct TGridColumn {
    QString title;
    QString field;
    int width;
};
// A read-only row-select grid over the source with the given columns.
TDBGrid *NewGrid(const QString &name, TDataSource *source, const QList<TGridColumn> &columns,
                 QWidget *parent);

// The three small icon buttons stacked at the right edge of a list.
struct TCommandDef {
    QString name;
    QString hint;
};
struct TListCommands {
    QToolButton *add = nullptr;
    QToolButton *del = nullptr;
    QToolButton *edit = nullptr;
};
TListCommands NewCommands(const TCommandDef &add, const TCommandDef &del,
                          const TCommandDef &edit, QWidget *parent);

// A strip, and under it the grid with the command column at its right edge.
// The grid takes the space that is left.
QWidget *NewListPanel(const QString &name, QLabel *strip, TDBGrid *grid,
                      const TListCommands &commands, QWidget *parent);

// A labelled edit of one field, added as a row of the form.
TDBEdit *AddFieldRow(QFormLayout *form, const QString &label, TDataSource *source,
                     const QString &field, const QString &name);

// "OK" (default, accepts) and "Отмена" (rejects) at the right of a row.
QHBoxLayout *NewOkCancelRow(QDialog *dialog, QPushButton **ok = nullptr,
                            QPushButton **cancel = nullptr);

// True when the field of the current row holds a text of at least one
// character; otherwise shows the warning and returns false.
bool RequireText(TDataSet *dataSet, const QString &field, const QString &warning,
                 QWidget *parent);

// An edit dialog whose OK runs a close check first. A failed check has shown
// its warning; the dialog then stays open with everything typed. Cancel and
// every other way of closing skip the check.
class TCheckedDialog : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    virtual bool CloseCheck() { return true; }
    // The control that has the focus whenever the dialog opens.
    void SetFirstControl(QWidget *control) { m_firstControl = control; }

private:
    QWidget *m_firstControl = nullptr;
};

} // namespace OrgsUi
