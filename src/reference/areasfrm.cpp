#include "reference/areasfrm.h"

#include "widgets/dbgrid.h"

TAreasForm *AreasForm = nullptr;

TAreasForm::TAreasForm(TMainForm *main)
    : TAddrListForm(main, TEntity::Area, DM->dsAreas,
                    {"AreasForm", QStringLiteral("Населенные пункты"), QSize(500, 400), "stAreas",
                     QStringLiteral("Населенные пункты:"), "dbgrdAreas", "Area",
                     QStringLiteral("населенный пункт")})
{
    Grid()->AddColumn(QStringLiteral("Наименование"), QStringLiteral("areaname"), 300);
    AreasForm = this;
}

TAreasForm::~TAreasForm()
{
    if (AreasForm == this)
        AreasForm = nullptr;
}
