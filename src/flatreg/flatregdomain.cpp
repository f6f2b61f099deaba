#include "flatreg/flatregdomain.h"

#include "flatreg/flatregform.h"
#include "widgets/shell.h"

void RegisterFlatRegister(IShell &shell)
{
    // the window is made for each use
    shell.AddMenuItems(
        "mnuFile",
        {{"mnuFlatRegister",
          QStringLiteral("Групповая регистрация объектов поквартирного учета..."), [&shell] {
              FlatRegisterCommand(shell.MainWindow());
          }}});
}
