#pragma once
// The list window of administrative districts.

#include "widgets/listform.h"

class TAdmDistrictsForm : public TListForm
{
    Q_OBJECT
public:
    TAdmDistrictsForm();
    ~TAdmDistrictsForm() override;
};

extern TAdmDistrictsForm *AdmDistrictsForm;
