#pragma once
// Building blocks shared by the windows of the reference tables: the heading
// strip over a list and the small command buttons beside it.

#include <QIcon>
#include <QString>

#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QToolButton;
class QWidget;

namespace RefUi {

enum class TRecordCommand { Add, Del, Edit };

// The glyph of a record command, drawn here so that the buttons look the same
// whatever icon theme the desktop has (or none): a green plus, a red minus, a
// pencil.
QIcon RecordCommandIcon(TRecordCommand command);
// A small icon button of a list's record command, with its hint.
QToolButton *NewCommandButton(TRecordCommand command, const QString &name, const QString &hint,
                              QWidget *parent);
// A list's grid with its command buttons stacked at its right edge, top to
// bottom in the order given.
QHBoxLayout *NewGridRow(QWidget *grid, std::initializer_list<QToolButton *> commands);
// A heading strip over a list ("Организации:").
QLabel *NewStrip(const QString &name, const QString &text, QWidget *parent);

} // namespace RefUi
