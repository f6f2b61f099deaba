#pragma once

#include <QApplication>

// The application object: an exception that still escapes an event handler
// reaches the error box here instead of ending the program. Qt's own texts
// (context menus of the edit fields, calendar, standard buttons) are Russian
// whatever the process locale.
class TApplication : public QApplication
{
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// Installs Qt's Russian translation (qtbase_ru from Qt's translations folder)
// into the running application, once; false when it is not there.
bool InstallQtTranslation();
