#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "shell/appconfig.h"
#include "shell/application.h"
#include "shell/mainfrm.h"
#include "shell/progress.h"
#include "reference/addressreference.h"
#include "reference/orgsreference.h"
#include "shell/utils.h"

#include <memory>

int main(int argc, char *argv[])
{
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
            InstallAddressWindows(&mainForm);
            InstallOrgWindows(&mainForm);
            CreateProgressForm();
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
