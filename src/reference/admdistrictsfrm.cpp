#include "reference/admdistrictsfrm.h"

#include "data/dmfrm.h"

TAdmDistrictsForm *AdmDistrictsForm = nullptr;

TAdmDistrictsForm::TAdmDistrictsForm()
    : TListForm(DM->dsAdmDistricts,
                {"AdmDistrictsForm",
                 QStringLiteral("Административные округа"),
                 QSize(500, 500),
                 {"pnlAdmDistricts",
                  "stAdmDistricts",
                  QStringLiteral("Административные округа:"),
                  "dbgrdAdmDistricts",
                  {{QStringLiteral("Код"), QStringLiteral("unitid"), 50},
                   {QStringLiteral("Краткое наименование"), QStringLiteral("unitname"), 300}},
                  "AdmDistrict",
                  QStringLiteral("округ")}})
{
    AdmDistrictsForm = this;
}

TAdmDistrictsForm::~TAdmDistrictsForm()
{
    if (AdmDistrictsForm == this)
        AdmDistrictsForm = nullptr;
}
