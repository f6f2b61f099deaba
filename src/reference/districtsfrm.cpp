#include "reference/districtsfrm.h"

#include "data/dmfrm.h"

TDistrictsForm *DistrictsForm = nullptr;

TDistrictsForm::TDistrictsForm()
    : TListForm(DM->dsDistricts,
                {"DistrictsForm",
                 QStringLiteral("Городские районы"),
                 QSize(500, 500),
                 {"pnlDistricts",
                  "stDistricts",
                  QStringLiteral("Городские районы:"),
                  "dbgrdDistricts",
                  {{QStringLiteral("Код"), QStringLiteral("unitid"), 50},
                   {QStringLiteral("Наименование"), QStringLiteral("unitname"), 250},
                   {QStringLiteral("Округ"), QStringLiteral("parentname"), 70}},
                  "District",
                  QStringLiteral("район")}})
{
    DistrictsForm = this;
}

TDistrictsForm::~TDistrictsForm()
{
    if (DistrictsForm == this)
        DistrictsForm = nullptr;
}
