#include "app/application.h"

#include "base/guard.h"
#include "base/utils.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
const char QtTranslationName[] = "qtbase_ru";
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(AppTitle));
    setApplicationDisplayName(QString::fromLatin1(AppTitle));
    // the desktop entry and icon that the package installs
    setDesktopFileName(QStringLiteral("kestrum"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("kestrum")));
    if (!InstallQtTranslation())
        qWarning("%s.qm not found in %s: Qt's own texts stay English", QtTranslationName,
                 qPrintable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
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

bool InstallQtTranslation()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    const QString name = QString::fromLatin1(QtTranslationName);
    if (app->findChild<QTranslator *>(name, Qt::FindDirectChildrenOnly))
        return true;
    auto *translator = new QTranslator(app);
    translator->setObjectName(name);
    if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
