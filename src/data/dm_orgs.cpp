// Organisations with their bank accounts, and the central heat points.
#include "data/dmfrm.h"

using FT = FieldType;

void TDM::createOrgDataSets()
{
    qryOrgs = newDataSet("qryOrgs",
                         {"SELECT orgid, orgname, phone, personh, wsclientid",
                          "FROM organizations", "ORDER BY orgname"});
    qryOrgs->AddField("orgid", FT::Integer);
    qryOrgs->AddField("orgname", FT::String, 50);
    qryOrgs->AddField("phone", FT::String, 50);
    qryOrgs->AddField("personh", FT::String, 255);
    qryOrgs->AddField("wsclientid", FT::String, 255);
    dsOrgs = newDataSource(qryOrgs);
    addLoadingStatus(qryOrgs);
    bindRecordRules(qryOrgs, "orgid", "organizations_orgid_seq", "Удалить организацию?");

    // Linked to dsOrgs only while the organisation dialog is shown; the bank
    // account selection sets orgid itself.
    qryOrgBankAcc = newDataSet("qryOrgBankAcc",
                               {"SELECT accid, orgid, accnum, bic, bcode, bname, caccnum",
                                "FROM bankaccounts", "WHERE orgid = :orgid", "ORDER BY accid"});
    qryOrgBankAcc->AddParam("orgid", FT::Integer);
    qryOrgBankAcc->AddField("accid", FT::Integer);
    qryOrgBankAcc->AddField("orgid", FT::Integer);
    for (const char *f : {"accnum", "bic", "bcode", "bname", "caccnum"})
        qryOrgBankAcc->AddField(f, FT::String, 255);
    dsOrgBankAcc = newDataSource(qryOrgBankAcc);
    bindRecordRules(qryOrgBankAcc, "accid", "bankaccounts_accid_seq", "Удалить банковский счет?");
    // the account list of the contracts shows a new, changed or deleted
    // account at once
    const auto rereadAccounts = [this](TDataSet &) {
        if (qryBankAccounts->Active())
            qryBankAccounts->Requery();
    };
    qryOrgBankAcc->AfterPost.push_back(rereadAccounts);
    qryOrgBankAcc->AfterDelete.push_back(rereadAccounts);

    qryBankAccounts =
        newDataSet("qryBankAccounts", {"SELECT accid, accnum, bname", "FROM bankaccounts"});
    qryBankAccounts->AddField("accid", FT::Integer);
    qryBankAccounts->AddField("accnum", FT::String, 255);
    qryBankAccounts->AddField("bname", FT::String, 255);
    addLoadingStatus(qryBankAccounts);
    qryBankAccounts->SetReadOnly(true);

    qryCTP = newDataSet("qryCTP", {"SELECT ctpid, ctpname", "FROM ctp", "ORDER BY ctpname"});
    qryCTP->AddField("ctpid", FT::Integer);
    qryCTP->AddField("ctpname", FT::String, 50);
    dsCTP = newDataSource(qryCTP);
    addLoadingStatus(qryCTP);
    bindRecordRules(qryCTP, "ctpid", "ctp_ctpid_seq", "Удалить ЦТП?");
}
