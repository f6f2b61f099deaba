#pragma once
// The list panel of the reference windows: a heading strip, a read-only grid
// over one dataset with its declared columns, and the small add, delete and
// edit buttons at the grid's right edge, wired to the record commands. Delete
// and edit are enabled while the list is not empty, add (of a detail list)
// while its master is not empty; a double-click on a data row runs edit.

#include "widgets/recordcommands.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QLayout;
class QToolButton;
class QVBoxLayout;
class TDataSet;
class TDataSource;
class TDBGrid;
class TGridFind;

struct TGridColumn {
    QString title;
    QString field;
    int width;
};

// The glyph of a record command, drawn here so that the buttons look the same
// whatever icon theme the desktop has (or none): a green plus, a red minus, a
// pencil.
QIcon RecordCommandIcon(TRecordCommand command);
// A small icon button with its hint, which is also its accessible name.
QToolButton *NewIconButton(const QIcon &icon, const QString &name, const QString &hint,
                           QWidget *parent);
// A heading strip over a list ("Организации:").
QLabel *NewStrip(const QString &name, const QString &text, QWidget *parent);
// A read-only row-select grid over the source with the given columns.
TDBGrid *NewGrid(const QString &name, TDataSource *source, const QList<TGridColumn> &columns,
                 QWidget *parent);

class TListPanel : public QWidget
{
    Q_OBJECT
public:
    struct TDef {
        const char *name;      // the panel, e.g. "pnlOrgs"
        const char *stripName; // e.g. "stOrgs"
        QString strip;         // e.g. "Организации:"
        const char *gridName;  // e.g. "dbgrdOrgs"
        QList<TGridColumn> columns;
        // "Org" gives cmdAddOrg, cmdDelOrg, cmdEditOrg with the hints
        // "Добавить <noun>", "Удалить <noun>", "Редактировать <noun>";
        // null gives a list without record commands.
        const char *commands = nullptr;
        QString noun = QString();
        // the add command is enabled while this dataset is not empty
        TDataSet *master = nullptr;
    };
    TListPanel(TDataSource *source, const TDef &def, QWidget *parent = nullptr);

    TDataSet *DataSet() const;
    // Adds a button below the record commands (a view command, say).
    void AddCommand(QToolButton *button);
    // Replaces what a record command does (an add that asks for a channel
    // first); the command still runs through the command guard.
    void SetCommand(TRecordCommand command, std::function<void()> action);
    // Runs a record command as its button does, errors to the error box.
    void RunCommand(TRecordCommand command);
    // What a double-click on a data row does instead of the edit command.
    void SetDblClickAction(std::function<void()> action) { m_dblClick = std::move(action); }
    // Puts a row of controls between the strip and the grid (a search box).
    void AddAboveGrid(QLayout *row);
    // Puts the find box of the grid above it (once); see TGridFind.
    TGridFind *AddFindBox();
    TGridFind *FindBox() const { return m_find; }

    QLabel *Strip;
    TDBGrid *Grid;
    QToolButton *cmdAdd = nullptr, *cmdDel = nullptr, *cmdEdit = nullptr;

private:
    QToolButton *newCommand(TRecordCommand command, const QString &name, const QString &hint);

    TDataSource *m_source;
    QVBoxLayout *m_buttons;
    std::function<void()> m_actions[3];
    std::function<void()> m_dblClick;
    QVBoxLayout *m_outer;
    TGridFind *m_find = nullptr;
};
