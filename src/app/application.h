#pragma once

#include <QApplication>

// The application object: an exception that still escapes an event handler
// reaches the error box here instead of ending the program.
class TApplication : public QApplication
{
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
