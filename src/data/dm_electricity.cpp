// Electricity supply contracts, their abonents and the abonents' meters.
#include "data/dmfrm.h"

using FT = FieldType;

void TDM::createElectricityDataSets()
{
    qryTariffs =
        newDataSet("qryTariffs",
                   {"SELECT code, tarname", "FROM tariffs", "WHERE tartype = 1", "ORDER BY code"});
    qryTariffs->AddField("code", FT::Integer);
    qryTariffs->AddField("tarname", FT::String, 255);
    dsTariffs = newDataSource(qryTariffs);
    addLoadingStatus(qryTariffs);
    qryTariffs->SetReadOnly(true);

    qryContracts = newDataSet(
        "qryContracts",
        {"SELECT contractid, number, supplierid, customerid, custbaccid, depcode, curator",
         "FROM contracts", "ORDER BY number"});
    qryContracts->AddField("contractid", FT::Integer);
    qryContracts->AddField("number", FT::String, 255);
    qryContracts->AddField("supplierid", FT::Integer);
    qryContracts->AddLookupField("supplname", FT::String, 255, "supplierid", qryOrgs, "orgid",
                                 "orgname");
    qryContracts->AddField("customerid", FT::Integer);
    qryContracts->AddLookupField("custname", FT::String, 255, "customerid", qryOrgs, "orgid",
                                 "orgname");
    qryContracts->AddField("custbaccid", FT::Integer);
    qryContracts->AddLookupField("custbaccnum", FT::String, 255, "custbaccid", qryBankAccounts,
                                 "accid", "accnum");
    qryContracts->AddLookupField("custbname", FT::String, 255, "custbaccid", qryBankAccounts,
                                 "accid", "bname");
    qryContracts->AddField("depcode", FT::String, 255);
    qryContracts->AddField("curator", FT::String, 255);
    dsContracts = newDataSource(qryContracts);
    addLoadingStatus(qryContracts);
    bindRecordRules(qryContracts, "contractid", "contracts_contractid_seq",
                    "ВНИМАНИЕ!\r\nПри удалении договора все связанные с ним абоненты также "
                    "будут удалены.\r\n\r\nУдалить запись?");
    // an account belongs to one customer: another customer clears it
    const int customer = qryContracts->FieldIndex("customerid");
    qryContracts->OnFieldChange.push_back([customer](TDataSet &ds, int field) {
        if (field == customer)
            ds.SetFieldValue(QStringLiteral("custbaccid"), QVariant());
    });

    qryAbonents = newDataSet("qryAbonents",
                             {"SELECT abonentid, contractid, number, maxenergy", "FROM abonents",
                              "WHERE contractid = :contractid", "ORDER BY number"});
    qryAbonents->AddParam("contractid", FT::Integer);
    qryAbonents->AddField("abonentid", FT::Integer);
    qryAbonents->AddField("contractid", FT::Integer);
    qryAbonents->AddField("number", FT::String, 255);
    qryAbonents->AddField("maxenergy", FT::Float);
    qryAbonents->SetMaster(dsContracts);
    dsAbonents = newDataSource(qryAbonents);
    addLoadingStatus(qryAbonents);
    bindRecordRules(qryAbonents, "abonentid", "abonents_abonentid_seq", "Удалить абонента?");

    qryAbonDev = newDataSet("qryAbonDev",
                            {"SELECT id, abonentid, vdevid, loadtypeid, tar1, tar2, tar3, tar4",
                             "FROM abondev", "WHERE abonentid = :abonentid", "ORDER BY id"});
    qryAbonDev->AddParam("abonentid", FT::Integer);
    qryAbonDev->AddField("id", FT::Integer);
    qryAbonDev->AddField("abonentid", FT::Integer);
    qryAbonDev->AddField("vdevid", FT::String, 255);
    // holds 20 characters: a longer type name shows cut
    qryAbonDev->AddLookupField("typename", FT::String, 20, "vdevid", qryVDevicesAll, "vdevid",
                               "typename");
    qryAbonDev->AddLookupField("sernum", FT::String, 255, "vdevid", qryVDevicesAll, "vdevid",
                               "sernum");
    qryAbonDev->AddLookupField("vdixattr", FT::String, 255, "vdevid", qryVDevicesAll, "vdevid",
                               "vdixattr");
    qryAbonDev->AddField("loadtypeid", FT::Integer);
    for (const char *f : {"tar1", "tar2", "tar3", "tar4"})
        qryAbonDev->AddField(f, FT::Integer);
    qryAbonDev->SetMaster(dsAbonents);
    dsAbonDev = newDataSource(qryAbonDev);
    addLoadingStatus(qryAbonDev);
    bindRecordRules(qryAbonDev, "id", "abondev_id_seq", "Удалить запись?");
}
