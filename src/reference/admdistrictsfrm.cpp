#include "reference/admdistrictsfrm.h"

#include "widgets/dbgrid.h"

TAdmDistrictsForm *AdmDistrictsForm = nullptr;

TAdmDistrictsForm::TAdmDistrictsForm(TMainForm *main)
    : TAddrListForm(main, TEntity::AdmDistrict, DM->dsAdmDistricts,
                    {"AdmDistrictsForm", QStringLiteral("Административные округа"), QSize(500, 500),
                     "stAdmDistricts", QStringLiteral("Административные округа:"),
                     "dbgrdAdmDistricts", "AdmDistrict", QStringLiteral("округ")})
{
    Grid()->AddColumn(QStringLiteral("Код"), QStringLiteral("unitid"), 50);
    Grid()->AddColumn(QStringLiteral("Краткое наименование"), QStringLiteral("unitname"), 300);
    AdmDistrictsForm = this;
}

TAdmDistrictsForm::~TAdmDistrictsForm()
{
    if (AdmDistrictsForm == this)
        AdmDistrictsForm = nullptr;
}
