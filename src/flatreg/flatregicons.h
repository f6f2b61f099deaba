#pragma once
// The 32-pixel pictures of the flat register's tool bar, drawn here so that
// they look the same whatever icon theme the desktop has (or none).

#include <QIcon>

enum class TFlatRegisterIcon { Clipboard, Open, Save, New, Run, Exit };

QIcon FlatRegisterIcon(TFlatRegisterIcon icon);
