#include "reference/areasfrm.h"

#include "data/dmfrm.h"

TAreasForm *AreasForm = nullptr;

TAreasForm::TAreasForm()
    : TListForm(DM->dsAreas,
                {"AreasForm",
                 QStringLiteral("Населенные пункты"),
                 QSize(500, 400),
                 {"pnlAreas",
                  "stAreas",
                  QStringLiteral("Населенные пункты:"),
                  "dbgrdAreas",
                  {{QStringLiteral("Наименование"), QStringLiteral("areaname"), 300}},
                  "Area",
                  QStringLiteral("населенный пункт")}})
{
    AreasForm = this;
}

TAreasForm::~TAreasForm()
{
    if (AreasForm == this)
        AreasForm = nullptr;
}
