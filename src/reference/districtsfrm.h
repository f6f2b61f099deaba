#pragma once
// The list window of city districts.

#include "reference/addressforms.h"

class TDistrictsForm : public TAddrListForm
{
    Q_OBJECT
public:
    explicit TDistrictsForm(TMainForm *main);
    ~TDistrictsForm() override;
};

extern TDistrictsForm *DistrictsForm;
