#pragma once
// The list window of settlements.

#include "reference/addressforms.h"

class TAreasForm : public TAddrListForm
{
    Q_OBJECT
public:
    explicit TAreasForm(TMainForm *main);
    ~TAreasForm() override;
};

extern TAreasForm *AreasForm;
