// Devices, device types and categories, measurement channels and their
// attributes, supply systems and archive record types.
#include "data/dmfrm.h"

#include "base/errors.h"

using FT = FieldType;

namespace {
const char *DateMask = "!99/99/0000;1;_";

// A verification interval is a whole number of months; a century is more than
// any device is ever left without verification.
constexpr qlonglong MaxCheckInterval = 1200;

bool isCheckInterval(const QVariant &value)
{
    if (value.isNull())
        return true; // not known
    bool ok = false;
    const qlonglong months = value.toString().trimmed().toLongLong(&ok);
    return ok && months >= 0 && months <= MaxCheckInterval;
}

// The six channel facts every channel list takes from qryVDevicesAll.
void addChannelLookups(TDataSet *ds, TDataSet *all)
{
    ds->AddField("vdevid", FT::String, 50);
    for (const char *f : {"vdixattr", "ctypattr", "systattr"})
        ds->AddLookupField(f, FT::String, 255, "vdevid", all, "vdevid", f);
    ds->AddField("devid", FT::String, 50);
    ds->AddLookupField("typename", FT::String, 50, "vdevid", all, "vdevid", "typename");
    ds->AddLookupField("sernum", FT::String, 50, "vdevid", all, "vdevid", "sernum");
}
} // namespace

void TDM::createDeviceDataSets()
{
    qryDevCat = newDataSet("qryDevCat", {"SELECT devcatid, tblname", "FROM devcategories"});
    qryDevCat->AddField("devcatid", FT::String, 50);
    qryDevCat->AddField("tblname", FT::String, 50);
    addLoadingStatus(qryDevCat);
    qryDevCat->SetKeyField("devcatid");
    restrictInsertDelete(qryDevCat);

    qryDevTypes = newDataSet("qryDevTypes",
                             {"SELECT devtypeid, devclassid, typename, checkinterval",
                              "FROM devtypes", "ORDER BY devclassid, devcatid, typename"});
    qryDevTypes->AddField("devtypeid", FT::Integer);
    qryDevTypes->AddField("devclassid", FT::Integer);
    qryDevTypes->AddField("typename", FT::String, 50);
    qryDevTypes->AddField("checkinterval", FT::Integer);
    dsDevTypes = newDataSource(qryDevTypes);
    addLoadingStatus(qryDevTypes);
    // check intervals are edited in place; rows are never added or deleted
    qryDevTypes->SetKeyField("devtypeid");
    restrictInsertDelete(qryDevTypes);
    qryDevTypes->BeforePost.push_back([this](TDataSet &ds) {
        if (isCheckInterval(ds.FieldValue(QStringLiteral("checkinterval"))))
            return;
        warn(QStringLiteral("Интервал поверки должен быть целым числом месяцев от 0 до %1!")
                 .arg(MaxCheckInterval));
        throw EAbort();
    });

    qryDevices =
        newDataSet("qryDevices",
                   {"SELECT devid, dev.devtypeid, sernum, version, description,", "ownerid,",
                    "instbldid, get_address(instbldid) AS instbldaddr, installerid, installdate,",
                    "serviceid, servicebegindate,", "workbegindate, lastcheckdate",
                    "FROM devices dev, devtypes dt", "WHERE dev.devtypeid = dt.devtypeid",
                    "ORDER BY devclassid, devcatid, typename, sernum"});
    qryDevices->AddField("devid", FT::String, 50);
    qryDevices->AddField("devtypeid", FT::SmallInt);
    qryDevices->AddLookupField("typename", FT::String, 50, "devtypeid", qryDevTypes, "devtypeid",
                               "typename");
    qryDevices->AddField("sernum", FT::String, 50);
    qryDevices->AddField("version", FT::String, 16);
    qryDevices->AddField("description", FT::String, 50);
    qryDevices->AddField("ownerid", FT::Integer);
    qryDevices->AddLookupField("ownername", FT::String, 50, "ownerid", qryOrgs, "orgid",
                               "orgname");
    qryDevices->AddField("instbldid", FT::Integer);
    qryDevices->AddField("instbldaddr", FT::String, 255).readOnly = true;
    qryDevices->AddField("installerid", FT::Integer);
    qryDevices->AddLookupField("installername", FT::String, 50, "installerid", qryOrgs, "orgid",
                               "orgname");
    qryDevices->AddField("installdate", FT::DateTime).editMask = DateMask;
    qryDevices->AddField("serviceid", FT::Integer);
    qryDevices->AddLookupField("servicename", FT::String, 50, "serviceid", qryOrgs, "orgid",
                               "orgname");
    for (const char *f : {"servicebegindate", "workbegindate", "lastcheckdate"})
        qryDevices->AddField(f, FT::DateTime).editMask = DateMask;
    dsDevices = newDataSource(qryDevices);
    addLoadingStatus(qryDevices);
    // devices are edited, never added or deleted by the program
    qryDevices->SetKeyField("devid");
    qryDevices->AfterPost.push_back(
        [this](TDataSet &ds) { RequeryAndLocate(ds, QStringLiteral("devid"), QString()); });

    qryVDevicesAll = newDataSet(
        "qryVDevicesAll",
        {"SELECT vd.vdevid, vd.devid, av.vdixattr, av.ctypattr, av.systattr,",
         "dev.sernum, dt.devcatid, dt.typename, dc.tblname", "FROM vdevices vd", "LEFT JOIN", "(",
         "SELECT devid AS vdevid,", "MAX(CASE attrid WHEN 'VDIX' THEN val END) AS vdixattr,",
         "MAX(CASE attrid WHEN 'CTYP' THEN val END) AS ctypattr,",
         "MAX(CASE attrid WHEN 'SYST' THEN val END) AS systattr", "FROM attrval",
         "WHERE attrid IN ('VDIX', 'CTYP', 'SYST')", "GROUP BY devid",
         ") av ON vd.vdevid = av.vdevid", "LEFT JOIN devices dev ON vd.devid = dev.devid",
         "LEFT JOIN devtypes dt ON dev.devtypeid = dt.devtypeid",
         "LEFT JOIN devcategories dc ON dt.devcatid = dc.devcatid"});
    qryVDevicesAll->AddField("vdevid", FT::String, 50);
    qryVDevicesAll->AddField("devid", FT::String, 50);
    for (const char *f : {"vdixattr", "ctypattr", "systattr"})
        qryVDevicesAll->AddField(f, FT::String, 255);
    qryVDevicesAll->AddField("sernum", FT::String, 50);
    qryVDevicesAll->AddField("devcatid", FT::String, 255);
    qryVDevicesAll->AddField("typename", FT::String, 50);
    qryVDevicesAll->AddField("tblname", FT::String, 50);
    addLoadingStatus(qryVDevicesAll);

    qryVDevices = newDataSet(
        "qryVDevices",
        {"SELECT vdevid, devid", "FROM vdevices", "WHERE devid = :devid", "ORDER BY vdevid"});
    qryVDevices->AddParam("devid", FT::String);
    addChannelLookups(qryVDevices, qryVDevicesAll);
    qryVDevices->SetMaster(dsDevices);
    dsVDevices = newDataSource(qryVDevices);
    addLoadingStatus(qryVDevices);

    const QStringList attrSql = {"SELECT attrname, attrdescr, val", "FROM attrval av",
                                 "LEFT JOIN attrdef ad ON av.attrid = ad.attrid",
                                 "WHERE devid = :devid", "ORDER BY attrname"};
    qryDevAttr = newDataSet("qryDevAttr", attrSql);
    qryDevAttr->AddParam("devid", FT::String);
    QStringList vattrSql = attrSql;
    vattrSql[3] = "WHERE devid = :vdevid";
    qryVDevAttr = newDataSet("qryVDevAttr", vattrSql);
    qryVDevAttr->AddParam("vdevid", FT::String);
    for (TDataSet *ds : {qryDevAttr, qryVDevAttr}) {
        ds->AddField("attrname", FT::String, 50);
        ds->AddField("attrdescr", FT::String, 255);
        ds->AddField("val", FT::String, 255);
    }
    qryDevAttr->SetMaster(dsDevices);
    qryVDevAttr->SetMaster(dsVDevices);
    dsDevAttr = newDataSource(qryDevAttr);
    dsVDevAttr = newDataSource(qryVDevAttr);

    qrySelDevice = newDataSet(
        "qrySelDevice",
        {"SELECT dev.devid, typename, sernum, ipadattr, addrattr, dvadattr", "FROM devices dev",
         "LEFT JOIN devtypes dt ON dev.devtypeid = dt.devtypeid", "LEFT JOIN", "(",
         "SELECT devid,", "MAX(CASE attrid WHEN 'IPAD' THEN val END) AS ipadattr,",
         "MAX(CASE attrid WHEN 'ADDR' THEN val END) AS addrattr,",
         "MAX(CASE attrid WHEN 'DVAD' THEN val END) AS dvadattr", "FROM attrval",
         "WHERE attrid IN ('IPAD', 'ADDR', 'DVAD')", "GROUP BY devid",
         ") av ON dev.devid = av.devid", "WHERE devclassid = :devclassid",
         "ORDER BY devcatid, typename, sernum"});
    qrySelDevice->AddParam("devclassid", FT::Integer, 1);
    qrySelDevice->AddField("devid", FT::String, 50);
    // type and serial number shown from the device list, not from this query
    qrySelDevice->AddLookupField("typename", FT::String, 50, "devid", qryDevices, "devid",
                                 "typename");
    qrySelDevice->AddLookupField("sernum", FT::String, 50, "devid", qryDevices, "devid", "sernum");
    for (const char *f : {"ipadattr", "addrattr", "dvadattr"})
        qrySelDevice->AddField(f, FT::String, 255);
    dsSelDevice = newDataSource(qrySelDevice);

    qrySelVDevice = newDataSet(
        "qrySelVDevice",
        {"SELECT vdevid, devid", "FROM vdevices", "WHERE devid = :devid", "ORDER BY vdevid"});
    qrySelVDevice->AddParam("devid", FT::String);
    addChannelLookups(qrySelVDevice, qryVDevicesAll);
    qrySelVDevice->SetMaster(dsSelDevice);
    dsSelVDevice = newDataSource(qrySelVDevice);

    qrySystems = newDataSet(
        "qrySystems",
        {"SELECT systemid, systemname, systemabbr", "FROM systems", "ORDER BY systemid"});
    qrySystems->AddField("systemid", FT::Integer);
    qrySystems->AddField("systemname", FT::String, 50);
    qrySystems->AddField("systemabbr", FT::String, 50);
    dsSystems = newDataSource(qrySystems);
    addLoadingStatus(qrySystems);

    qryRecTypes = newDataSet(
        "qryRecTypes", {"SELECT rectypeid, timeintname", "FROM rectypes", "ORDER BY rectypeid"});
    qryRecTypes->AddField("rectypeid", FT::SmallInt);
    qryRecTypes->AddField("timeintname", FT::String, 50);
    dsRecTypes = newDataSource(qryRecTypes);
    addLoadingStatus(qryRecTypes);

    for (TDataSet *ds : {qryVDevicesAll, qryVDevices, qryDevAttr, qryVDevAttr, qrySelDevice,
                         qrySelVDevice, qrySystems, qryRecTypes})
        ds->SetReadOnly(true);
}
