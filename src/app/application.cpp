#include "app/application.h"

#include "base/guard.h"
#include "base/utils.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(AppTitle));
    setApplicationDisplayName(QString::fromLatin1(AppTitle));
    // the desktop entry and icon that the package installs
    setDesktopFileName(QStringLiteral("kestrum"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("kestrum")));
    // Qt's own texts (file dialogs, edit menus) in Russian like the rest of
    // the program, where the system has Qt's translations
    auto *qtTexts = new QTranslator(this);
    if (qtTexts->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtTexts);
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleCurrentException();
        return false;
    }
}
