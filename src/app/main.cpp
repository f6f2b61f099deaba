#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "app/appconfig.h"
#include "app/application.h"
#include "app/commandline.h"
#include "app/mainfrm.h"
#include "widgets/progress.h"
#include "app/startwindows.h"
#include "base/utils.h"

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    // --version and --help answer before anything needs a display.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (const QString answer = CommandLineAnswer(args); !answer.isEmpty())
        return std::fputs(answer.toUtf8().constData(), stdout) < 0 || std::fflush(stdout) != 0;

    // The settings object comes first; its file is read by the main window.
    auto config = std::make_unique<TAppConfig>(DefaultConfigPath());
    Config = config.get();

    TApplication app(argc, argv);
    int rc = 0;
    try {
        auto dm = std::make_unique<TDM>();
        DM = dm.get();
        {
            TMainForm mainForm;
            // the windows made at start-up and kept hidden until used
            CreateStartupWindows(&mainForm);
            mainForm.show();
            rc = app.exec();
        }
        DM = nullptr;
    } catch (const std::exception &e) {
        PlainBox(ErrorMessage(e));
    } catch (...) {
        PlainBox(QString());
    }
    Config = nullptr;
    return rc;
}
