#pragma once
// The two options that answer on the terminal and end the program before any
// window exists, so they work without a display.

#include <QString>
#include <QStringList>

// The text that "--version" or "--help" (also "-h") prints, for the first of
// them among args (the program's arguments without its name); empty when
// there is none and the program starts as usual. Other arguments are left to
// the application object.
QString CommandLineAnswer(const QStringList &args);

// The program's version, as the build names it.
QString ProgramVersion();
