#pragma once
// Building blocks shared by the windows of the address reference: the
// heading strip, the command buttons of a list, the list window frame and the
// edit dialog frame.

#include "reference/refui.h"
#include "shell/mainfrm.h"

#include <QDialog>
#include <QWidget>

class QFormLayout;
class QLabel;
class QPushButton;
class QToolButton;
class TDBGrid;
class TDataSource;

namespace AddrUi {

using RefUi::TRecordCommand;
using RefUi::NewStrip;

// Shows a modeless window, or brings it to the front when it is shown.
void ShowToFront(QWidget *window);

// Runs a record command of the main window for the entity; errors go to the
// error box. A command on a closed dataset fails with an error.
void RunRecordCommand(TMainForm *main, TEntity entity, TRecordCommand command);

// The small icon buttons at the right edge of a list, top to bottom add,
// delete, edit, named cmdAdd<suffix>, cmdDel<suffix>, cmdEdit<suffix>, with
// the hints "Добавить <noun>", "Удалить <noun>", "Редактировать <noun>".
struct TCommandButtons {
    QToolButton *add = nullptr;
    QToolButton *del = nullptr;
    QToolButton *edit = nullptr;
};
TCommandButtons NewCommandButtons(TMainForm *main, TEntity entity, const QString &suffix,
                                  const QString &noun, QWidget *parent);

} // namespace AddrUi

// A list window of the address reference: a top-level window of its own,
// shown modelessly, with a heading strip, a read-only grid over one dataset,
// the add, delete and edit commands and a button "Закрыть" that hides it.
// Delete and edit are enabled while the list is not empty; a double-click on
// a data row runs the edit command.
class TAddrListForm : public QWidget
{
    Q_OBJECT
public:
    struct TLayout {
        const char *name;          // of the window object, e.g. "AreasForm"
        QString caption;
        QSize size;
        const char *stripName;     // e.g. "stAreas"
        QString strip;
        const char *gridName;      // e.g. "dbgrdAreas"
        const char *commandSuffix; // e.g. "Area": cmdAddArea, cmdDelArea, cmdEditArea
        QString noun;              // of the hints, e.g. "населенный пункт"
    };
    TAddrListForm(TMainForm *main, TEntity entity, TDataSource *source, const TLayout &layout);

    TDBGrid *Grid() const { return m_grid; }
    const AddrUi::TCommandButtons &Commands() const { return m_commands; }
    QPushButton *CloseButton() const { return m_close; }

private:
    void gridDblClick();

    TMainForm *m_main;
    TEntity m_entity;
    TDBGrid *m_grid;
    AddrUi::TCommandButtons m_commands;
    QPushButton *m_close;
};

// An edit dialog of the address reference: a fixed dialog of labelled,
// data-bound controls over the current row of its dataset, with the default
// button "OK" and the cancel button "Отмена". It does not check anything on
// closing; the dataset's before-post rule does.
class TAddrEditForm : public QDialog
{
    Q_OBJECT
public:
    TAddrEditForm(const char *name, const QString &caption, QWidget *owner);

    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    // Adds a labelled control; controls come in tab order.
    void AddRow(const QString &label, QWidget *control);
    // Adds the buttons below the controls; the last step of a constructor.
    void FinishLayout();

private:
    QFormLayout *m_form;
    QWidget *m_last = nullptr;
};
