#pragma once
// The list window of administrative districts.

#include "reference/addressforms.h"

class TAdmDistrictsForm : public TAddrListForm
{
    Q_OBJECT
public:
    explicit TAdmDistrictsForm(TMainForm *main);
    ~TAdmDistrictsForm() override;
};

extern TAdmDistrictsForm *AdmDistrictsForm;
