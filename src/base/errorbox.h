#pragma once
// The error box: a modal box with the application title, the stop icon and one
// OK button, over the active window.

#include <QString>

// At most this many characters are shown; a longer text is cut.
inline constexpr int ErrorBoxMaxLength = 1000;

// Formats the text printf-style (texts for %s are UTF-8) and shows it.
void ErrorBox(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Shows a text that is already complete; it is not formatted.
void ErrorBox(const QString &text);
