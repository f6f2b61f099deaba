#include "base/formposition.h"

#include "base/myinifile.h"
#include "base/utils.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QWidget>

namespace {

constexpr int NeverStored = -10000;
// A window must keep this many pixels on the desktop to stay where it was.
constexpr qint64 VisibleMargin = 40;

QString paramKey(int number)
{
    return QStringLiteral("PARAM%1").arg(number);
}

void readParams(TMYIniFile &ini, const QString &section, int *values, int count)
{
    for (int i = 0; i < count; ++i)
        values[i] = ini.ReadInteger(section, paramKey(i + 1), 0);
}

void writeParams(TMYIniFile &ini, const QString &section, const int *values, int count)
{
    for (int i = 0; i < count; ++i)
        ini.WriteInteger(section, paramKey(i + 1), values[i]);
}

} // namespace

QSize DesktopSize()
{
    QRect desktop;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        desktop = desktop.united(screen->geometry());
    return desktop.size();
}

bool FitToDesktop(int &left, int &top, int &width, int &height)
{
    return FitToDesktop(left, top, width, height, DesktopSize());
}

bool FitToDesktop(int &left, int &top, int &width, int &height, const QSize &desktop)
{
    if (left <= NeverStored || top <= NeverStored || width <= NeverStored || height <= NeverStored)
        return false;
    // Sums in 64 bits: the values come from a file and may be anything.
    const qint64 d = desktop.width();
    const qint64 e = desktop.height();
    if (left < 0 && qint64(left) + width < VisibleMargin)
        left = 0;
    if (qint64(left) + width > d && d - left < VisibleMargin)
        left = 0;
    if (top < 0)
        top = 0;
    if (qint64(top) + height > e && e - top < VisibleMargin)
        top = 0;
    if (width > d)
        width = int(d);
    if (height > e)
        height = int(e);
    return true;
}

void LoadFormPosition(QWidget *form, int *values, int count)
{
    const QString section = form ? form->objectName() : QString();
    TMYIniFile ini(PositionFilePath(), false, true);
    int left = ini.ReadInteger(section, QStringLiteral("Left"), NeverStored);
    int top = ini.ReadInteger(section, QStringLiteral("Top"), NeverStored);
    int width = ini.ReadInteger(section, QStringLiteral("Width"), NeverStored);
    int height = ini.ReadInteger(section, QStringLiteral("Height"), NeverStored);
    if (form && FitToDesktop(left, top, width, height)) {
        // pos() and move() address the frame, size() and resize() the client
        // area, as SaveFormPosition stores them; so nothing drifts per run.
        form->resize(width, height);
        form->move(left, top);
    }
    if (values)
        readParams(ini, section, values, count);
}

void SaveFormPosition(QWidget *form, const int *values, int count)
{
    // A window without a name has no section to be found under again.
    if (!form || form->objectName().isEmpty())
        return;
    const QString section = form->objectName();
    TMYIniFile ini(PositionFilePath(), false, false);
    ini.WriteInteger(section, QStringLiteral("Left"), form->x());
    ini.WriteInteger(section, QStringLiteral("Top"), form->y());
    ini.WriteInteger(section, QStringLiteral("Width"), form->width());
    ini.WriteInteger(section, QStringLiteral("Height"), form->height());
    if (values)
        writeParams(ini, section, values, count);
}

void LoadPositionParams(const QString &section, int *values, int count)
{
    TMYIniFile ini(PositionFilePath(), false, true);
    readParams(ini, section, values, count);
}

void SavePositionParams(const QString &section, const int *values, int count)
{
    if (section.isEmpty())
        return;
    TMYIniFile ini(PositionFilePath(), false, false);
    writeParams(ini, section, values, count);
}
