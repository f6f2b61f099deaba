#include "import/importdomain.h"

#include "import/importpage.h"
#include "import/impprogressfrm.h"
#include "widgets/shell.h"

void RegisterImport(IShell &shell)
{
    FillImportPage(shell.Page("tsAddresses"));
    shell.AddStartupWindow("ImpProgressForm",
                           [](QWidget *main) { return new TImpProgressForm(main); });
}
