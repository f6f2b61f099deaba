#include "reference/districtsfrm.h"

#include "widgets/dbgrid.h"

TDistrictsForm *DistrictsForm = nullptr;

TDistrictsForm::TDistrictsForm(TMainForm *main)
    : TAddrListForm(main, TEntity::District, DM->dsDistricts,
                    {"DistrictsForm", QStringLiteral("Городские районы"), QSize(500, 500),
                     "stDistricts", QStringLiteral("Городские районы:"), "dbgrdDistricts",
                     "District", QStringLiteral("район")})
{
    Grid()->AddColumn(QStringLiteral("Код"), QStringLiteral("unitid"), 50);
    Grid()->AddColumn(QStringLiteral("Наименование"), QStringLiteral("unitname"), 250);
    Grid()->AddColumn(QStringLiteral("Округ"), QStringLiteral("parentname"), 70);
    DistrictsForm = this;
}

TDistrictsForm::~TDistrictsForm()
{
    if (DistrictsForm == this)
        DistrictsForm = nullptr;
}
