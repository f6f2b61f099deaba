#include "base/errorbox.h"

#include "base/utils.h"

#include <QApplication>
#include <QWidget>

#include <cstdarg>

namespace {

QString cutToLimit(QString text)
{
    if (text.size() > ErrorBoxMaxLength) {
        qsizetype length = ErrorBoxMaxLength;
        // Never leave half of a surrogate pair behind.
        if (text.at(length - 1).isHighSurrogate())
            --length;
        text.truncate(length);
    }
    return text;
}

QWidget *boxOwner()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

} // namespace

void ErrorBox(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    // Formatted into a string that grows as needed, then cut: a long argument
    // can never overrun anything.
    const QString text = QString::vasprintf(format ? format : "", args);
    va_end(args);
    ErrorBox(text);
}

void ErrorBox(const QString &text)
{
    StopBox(cutToLimit(text), boxOwner());
}
