#pragma once
// The organisation dialog: the fields of the current row of qryOrgs and the
// organisation's bank accounts, which are edited through their own dialog and
// stored one by one.

#include "widgets/editdialog.h"

class QLabel;
class QToolButton;
class TDBEdit;
class TDBGrid;
class TListPanel;

class TOrgEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TOrgEditForm(QWidget *parent = nullptr);
    ~TOrgEditForm() override;

    // The question asked before a new organisation is stored so that a bank
    // account can be added to it.
    static QString StoreNewOrgQuestion();

    TDBEdit *txtOrgName, *txtPhone, *txtPersonH, *txtWSClientId;
    TListPanel *pnlBankAcc;
    QLabel *stBankAcc;
    TDBGrid *dbgrdOrgBankAcc;
    QToolButton *cmdAddBankAcc, *cmdDelBankAcc, *cmdEditBankAcc;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool CloseCheck() override;

private:
    // The bank account list follows the organisation while the dialog is
    // shown, and only then.
    void attachBankAccounts();
    void detachBankAccounts();
    // A new organisation has no key yet: store it (after its name check and
    // the operator's consent) and go on editing the stored row. False when
    // the operator does not want it stored or the name is missing.
    bool storeNewOrganisation();
    bool checkOrgName();
};

extern TOrgEditForm *OrgEditForm;
