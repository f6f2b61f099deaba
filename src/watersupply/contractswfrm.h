#pragma once
// The list window of water supply contracts.

#include "widgets/listform.h"

class TContractsWForm : public TListForm
{
    Q_OBJECT
public:
    TContractsWForm();
    ~TContractsWForm() override;
};

extern TContractsWForm *ContractsWForm;
