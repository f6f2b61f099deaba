// Water supply contracts.
#include "data/dmfrm.h"

using FT = FieldType;

void TDM::createWaterContractDataSets()
{
    qryContractsW = newDataSet("qryContractsW",
                               {"SELECT contractid, number, cdate, supplierid, customerid",
                                "FROM contractsw", "ORDER BY number"});
    qryContractsW->AddField("contractid", FT::Integer);
    qryContractsW->AddField("number", FT::String, 50);
    TFieldDef &cdate = qryContractsW->AddField("cdate", FT::Date);
    cdate.editMask = "!99/99/0000;1;_";
    qryContractsW->AddField("supplierid", FT::Integer);
    qryContractsW->AddLookupField("supplname", FT::String, 50, "supplierid", qryOrgs, "orgid",
                                  "orgname");
    qryContractsW->AddField("customerid", FT::Integer);
    qryContractsW->AddLookupField("custname", FT::String, 50, "customerid", qryOrgs, "orgid",
                                  "orgname");
    dsContractsW = newDataSource(qryContractsW);
    addLoadingStatus(qryContractsW);
    bindRecordRules(qryContractsW, "contractid", "contractsw_contractid_seq",
                    "Удалить договор водоснабжения?");
}
