// Heat and water metering objects, their metering units and the units'
// measurement channels.
#include "data/dmfrm.h"

using FT = FieldType;

void TDM::createHeatWaterDataSets()
{
    qryHWUnitTypes = newDataSet(
        "qryHWUnitTypes",
        {"SELECT utypeid, utypename, utypeabbr", "FROM hwunittypes", "ORDER BY utypeid"});
    qryHWUnitTypes->AddField("utypeid", FT::Integer);
    qryHWUnitTypes->AddField("utypename", FT::String, 255);
    qryHWUnitTypes->AddField("utypeabbr", FT::String, 255);
    dsHWUnitTypes = newDataSource(qryHWUnitTypes);
    addLoadingStatus(qryHWUnitTypes);
    qryHWUnitTypes->SetReadOnly(true);

    qryHWObjects = newDataSet("qryHWObjects",
                              {"SELECT objid, bldid, get_address(bldid) AS addr, objname",
                               "FROM hwobjects", "ORDER BY addr, objname, objid"});
    qryHWObjects->AddField("objid", FT::Integer);
    qryHWObjects->AddField("bldid", FT::Integer);
    qryHWObjects->AddField("addr", FT::String, 255).readOnly = true;
    qryHWObjects->AddField("objname", FT::String, 255);
    dsHWObjects = newDataSource(qryHWObjects);
    addLoadingStatus(qryHWObjects);
    bindRecordRules(qryHWObjects, "objid", "hwobjects_objid_seq",
                    "ВНИМАНИЕ!\r\nПри удалении объекта учета все связанные с ним помещения "
                    "также будут удалены.\r\n\r\nУдалить запись?");

    qryHWUnits = newDataSet("qryHWUnits",
                            {"SELECT unitid, objid, utypeid, unitname", "FROM hwunits",
                             "WHERE objid = :objid",
                             "ORDER BY utypeid, get_number(unitname), unitname, unitid"});
    qryHWUnits->AddParam("objid", FT::Integer);
    qryHWUnits->AddField("unitid", FT::Integer);
    qryHWUnits->AddField("objid", FT::Integer);
    qryHWUnits->AddField("utypeid", FT::Integer);
    qryHWUnits->AddLookupField("utypename", FT::String, 255, "utypeid", qryHWUnitTypes, "utypeid",
                               "utypename");
    qryHWUnits->AddField("unitname", FT::String, 255);
    qryHWUnits->SetMaster(dsHWObjects);
    dsHWUnits = newDataSource(qryHWUnits);
    addLoadingStatus(qryHWUnits);
    bindRecordRules(qryHWUnits, "unitid", "hwunits_unitid_seq", "Удалить узел учета?");

    qryHWUnitDev =
        newDataSet("qryHWUnitDev",
                   {"SELECT id AS udevid, unitid, systemid, vdevid, ctpid", "FROM hwunitdev",
                    "WHERE unitid= :unitid", "ORDER BY systemid, id"});
    qryHWUnitDev->AddParam("unitid", FT::Integer);
    qryHWUnitDev->AddField("udevid", FT::Integer);
    qryHWUnitDev->AddField("unitid", FT::Integer);
    qryHWUnitDev->AddField("systemid", FT::Integer);
    // the grid shows the system's abbreviation under this name
    qryHWUnitDev->AddLookupField("systemname", FT::String, 50, "systemid", qrySystems, "systemid",
                                 "systemabbr");
    qryHWUnitDev->AddField("vdevid", FT::String, 50);
    qryHWUnitDev->AddLookupField("typename", FT::String, 50, "vdevid", qryVDevicesAll, "vdevid",
                                 "typename");
    qryHWUnitDev->AddLookupField("sernum", FT::String, 50, "vdevid", qryVDevicesAll, "vdevid",
                                 "sernum");
    for (const char *f : {"vdixattr", "ctypattr"})
        qryHWUnitDev->AddLookupField(f, FT::String, 255, "vdevid", qryVDevicesAll, "vdevid", f);
    qryHWUnitDev->AddField("ctpid", FT::Integer);
    qryHWUnitDev->AddLookupField("ctpname", FT::String, 50, "ctpid", qryCTP, "ctpid", "ctpname");
    qryHWUnitDev->SetMaster(dsHWUnits);
    dsHWUnitDev = newDataSource(qryHWUnitDev);
    addLoadingStatus(qryHWUnitDev);
    qryHWUnitDev->SetBaseColumn("udevid", "id");
    bindRecordRules(qryHWUnitDev, "udevid", "hwunitdev_id_seq", "Удалить запись?");
}
