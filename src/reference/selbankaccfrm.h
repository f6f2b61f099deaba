#pragma once
// Picking one bank account of an organisation.

#include <QDialog>
#include <QVariant>

class QLabel;
class QPushButton;
class TDBGrid;

// The selection window over qryOrgBankAcc, whose orgid SelectBankAccount sets.
class TSelBankAccForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSelBankAccForm(QWidget *parent = nullptr);
    ~TSelBankAccForm() override;

    QLabel *stBankAcc;
    TDBGrid *dbgrdBankAcc;
    QPushButton *btnOK, *btnCancel;

public slots:

protected:
    void showEvent(QShowEvent *event) override;
};

extern TSelBankAccForm *SelBankAccForm;

// Shows the accounts of the organisation orgId (none for a null id) with the
// account accId current when it is one of them. On OK accId becomes the
// chosen account and the result is true; otherwise accId becomes null and the
// result is false. qryOrgBankAcc is closed again in every case, errors
// included; errors are passed on.
bool SelectBankAccount(QVariant &accId, const QVariant &orgId);
