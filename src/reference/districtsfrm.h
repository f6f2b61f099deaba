#pragma once
// The list window of city districts.

#include "widgets/listform.h"

class TDistrictsForm : public TListForm
{
    Q_OBJECT
public:
    TDistrictsForm();
    ~TDistrictsForm() override;
};

extern TDistrictsForm *DistrictsForm;
