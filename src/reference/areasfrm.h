#pragma once
// The list window of settlements.

#include "widgets/listform.h"

class TAreasForm : public TListForm
{
    Q_OBJECT
public:
    TAreasForm();
    ~TAreasForm() override;
};

extern TAreasForm *AreasForm;
