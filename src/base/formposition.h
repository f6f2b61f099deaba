#pragma once
// The window position store "POSITION.INI" in ExeDir: one section
// per window, named after the window's objectName, with "Left", "Top",
// "Width", "Height" and the window's own integers "PARAM1", "PARAM2", ...
// The file is opened and closed within each call; failures are silent.

class QSize;
class QString;
class QWidget;

// Applies the stored position and size to the window when FitToDesktop accepts
// them, and fills values[0..count-1] from PARAM1 on (0 where nothing is
// stored). values may be null; then no PARAM key is read.
void LoadFormPosition(QWidget *form, int *values = nullptr, int count = 0);
// Stores the window's position and size and values[0..count-1] as PARAM1 on.
void SaveFormPosition(QWidget *form, const int *values = nullptr, int count = 0);
// The PARAM values alone of a section that is no window's (the column widths
// of a grid): values[0..count-1] from PARAM1 on, 0 where nothing is stored.
void LoadPositionParams(const QString &section, int *values, int count);
void SavePositionParams(const QString &section, const int *values, int count);

// Checks and corrects a stored position against the whole desktop (the union
// of all screens). False when any value is -10000 or less (never stored).
bool FitToDesktop(int &left, int &top, int &width, int &height);
// The same against a desktop of the given size.
bool FitToDesktop(int &left, int &top, int &width, int &height, const QSize &desktop);
// Width and height of the whole desktop.
QSize DesktopSize();
