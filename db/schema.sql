-- Kestrum metering database: tables, sequences, indexes and server functions.
--
-- Load into a fresh, empty database (UTF8 or WIN1251):
--     psql -v ON_ERROR_STOP=1 -d <db> -f db/schema.sql
-- The owner of the database can run it; no superuser rights are needed.
-- It creates structure only; db/demo.sql fills in a small demo city.
--
-- Keys that the server assigns are serial columns, so their sequences are
-- named table_column_seq (the program reads them back with currval).
-- Master/detail chains whose rows belong to their master are deleted with it:
--     hwobjects -> hwunits -> hwunitdev -> watersupply
--     contracts -> abonents -> abondev
-- Every other reference restricts: deleting a row that is still in use fails
-- with the server's foreign key message.

SET client_encoding = 'UTF8';
SET client_min_messages = warning;

------------------------------------------------------------------------------
-- Address reference
------------------------------------------------------------------------------

-- Settlements outside the city proper.
CREATE TABLE areas (
    areaid      serial PRIMARY KEY,
    areaname    varchar(255)
);

-- Address units; utype: 'AO' administrative district, 'TE' city district,
-- 'UL' street. The code is typed by the operator and is the unit's key in
-- all three kinds, so codes are unique over the whole table.
CREATE TABLE addrunits (
    utype       varchar(2)   NOT NULL CHECK (utype IN ('AO', 'TE', 'UL')),
    unitid      varchar(255) PRIMARY KEY,
    unitnameid  varchar(255),               -- streets: code of the street name
    unitname    varchar(255),
    areaid      integer REFERENCES areas,   -- streets: settlement, if any
    parentid    varchar(255) REFERENCES addrunits (unitid)  -- TE: its AO
);
CREATE INDEX addrunits_utype_name_idx ON addrunits (utype, unitname);
CREATE INDEX addrunits_areaid_idx ON addrunits (areaid);
CREATE INDEX addrunits_parentid_idx ON addrunits (parentid);

-- Buildings; gil is the status 'ЖИЛ' (residential) or 'Н/Ж' (non-residential).
-- address is the display address that get_address returns, kept up to date
-- by the triggers at the end of this file whatever is written into it.
CREATE TABLE buildings (
    buildingid  serial PRIMARY KEY,
    ulid        varchar(255) REFERENCES addrunits (unitid),   -- street
    dom         varchar(255),
    korp        varchar(255),
    stroen      varchar(255),
    gil         varchar(255),
    teid        varchar(255) REFERENCES addrunits (unitid),   -- city district
    address     varchar(255)
);
CREATE INDEX buildings_ulid_idx ON buildings (ulid);
CREATE INDEX buildings_teid_idx ON buildings (teid);

-- Staging table of the building address import: one row per record of the
-- dBase address file, emptied before and after every import. dBase fields
-- map to columns by lower-case name:
--     kod_ul   street code (addrunits.unitid of a 'UL' unit)
--     dom      house number
--     korp     korpus number
--     stroen   stroenie number
--     gil      status ('ЖИЛ' / 'Н/Ж')
--     kod_te   city district code (addrunits.unitid of a 'TE' unit)
-- Numeric dBase fields land here as text too.
CREATE TABLE str_doma (
    kod_ul      varchar(255),
    dom         varchar(255),
    korp        varchar(255),
    stroen      varchar(255),
    gil         varchar(255),
    kod_te      varchar(255)
);

------------------------------------------------------------------------------
-- Organisations, bank accounts, central heat points
------------------------------------------------------------------------------

CREATE TABLE organizations (
    orgid       serial PRIMARY KEY,
    orgname     varchar(50),
    phone       varchar(50),
    personh     varchar(255),     -- person responsible for heat metering
    wsclientid  varchar(255)      -- client code in water supply contracts
);
CREATE INDEX organizations_orgname_idx ON organizations (orgname);

CREATE TABLE bankaccounts (
    accid       serial PRIMARY KEY,
    orgid       integer NOT NULL REFERENCES organizations,
    accnum      varchar(255),
    bic         varchar(255),
    bcode       varchar(255),
    bname       varchar(255),
    caccnum     varchar(255)      -- correspondent account of the bank
);
CREATE INDEX bankaccounts_orgid_idx ON bankaccounts (orgid);

CREATE TABLE ctp (
    ctpid       serial PRIMARY KEY,
    ctpname     varchar(50)
);

------------------------------------------------------------------------------
-- Devices and measurement channels
------------------------------------------------------------------------------

-- Device categories; tblname names the archive table of the category's
-- channels, NULL when the archive of the category is not kept here.
CREATE TABLE devcategories (
    devcatid    varchar(50) PRIMARY KEY,
    tblname     varchar(50)
);

-- devclassid: 1 heat and water metering devices, 2 electricity meters.
CREATE TABLE devtypes (
    devtypeid     integer PRIMARY KEY,
    devclassid    integer,
    devcatid      varchar(50) REFERENCES devcategories,
    typename      varchar(50),
    checkinterval integer             -- verification interval, months
);
CREATE INDEX devtypes_devcatid_idx ON devtypes (devcatid);

CREATE TABLE devices (
    devid            varchar(50) PRIMARY KEY,
    devtypeid        smallint REFERENCES devtypes,
    sernum           varchar(50),
    version          varchar(16),
    description      varchar(50),
    ownerid          integer REFERENCES organizations,
    installerid      integer REFERENCES organizations,
    serviceid        integer REFERENCES organizations,
    instbldid        integer REFERENCES buildings,
    installdate      timestamp,
    servicebegindate timestamp,
    workbegindate    timestamp,
    lastcheckdate    timestamp
);
CREATE INDEX devices_devtypeid_idx ON devices (devtypeid);
CREATE INDEX devices_ownerid_idx ON devices (ownerid);
CREATE INDEX devices_installerid_idx ON devices (installerid);
CREATE INDEX devices_serviceid_idx ON devices (serviceid);
CREATE INDEX devices_instbldid_idx ON devices (instbldid);

-- Measurement channels ("virtual devices"); they go with their device.
CREATE TABLE vdevices (
    vdevid      varchar(50) PRIMARY KEY,
    devid       varchar(50) NOT NULL REFERENCES devices ON DELETE CASCADE
);
CREATE INDEX vdevices_devid_idx ON vdevices (devid);

-- Attribute codes. Known codes: IPAD, ADDR, DVAD on devices;
-- VDIX, CTYP, SYST on channels.
CREATE TABLE attrdef (
    attrid      varchar(16) PRIMARY KEY,
    attrname    varchar(50),
    attrdescr   varchar(255)
);

-- Attribute values; devid holds a device id or a channel id, one value per
-- holder and code.
CREATE TABLE attrval (
    devid       varchar(50) NOT NULL,
    attrid      varchar(16) NOT NULL REFERENCES attrdef,
    val         varchar(255),
    PRIMARY KEY (devid, attrid)
);
CREATE INDEX attrval_attrid_idx ON attrval (attrid);

-- Supply systems measured by the channels of heat and water units
-- (2 is hot water, 3 cold water: the flat register relies on these codes).
CREATE TABLE systems (
    systemid    integer PRIMARY KEY,
    systemname  varchar(50),
    systemabbr  varchar(50)
);

-- Archive record types: 1 hourly, 2 daily, further types as the poller
-- keeps them.
CREATE TABLE rectypes (
    rectypeid   smallint PRIMARY KEY,
    timeintname varchar(50)
);

-- Measured parameters per device category. fname is the archive column of
-- the value, finame that of its integrated (cumulative) value, if any.
-- quantid: 1 heat energy, 2 temperature, 3 water quantity, 4 pressure,
-- 5 electric energy, 6 time, 7 state.
CREATE TABLE devparams (
    paramid     integer PRIMARY KEY,
    paramname   varchar(50),
    description varchar(100),
    devcatid    varchar(50) REFERENCES devcategories,
    quantid     integer,
    fname       varchar(50),
    finame      varchar(50)
);
CREATE INDEX devparams_devcatid_idx ON devparams (devcatid, quantid);

------------------------------------------------------------------------------
-- Archive tables, one per device category with an archive. The poller
-- writes them; devid is the channel (vdevices.vdevid), dt the time stamp of
-- the record, ts the moment the record was read from the device. Values are
-- in the units of the devparams rows that name the columns.
------------------------------------------------------------------------------

-- Heat computers TSRV-024.
CREATE TABLE arch_tsrv (
    devid       varchar(50) NOT NULL,
    rectypeid   smallint NOT NULL REFERENCES rectypes,
    dt          timestamp NOT NULL,
    ts          timestamp,
    t1 double precision, t2 double precision,
    p1 double precision, p2 double precision,
    v1 double precision, v1i double precision,
    v2 double precision, v2i double precision,
    q double precision,  qi double precision,
    tw double precision, twi double precision,
    PRIMARY KEY (devid, rectypeid, dt)
);

-- Heat computers SPT961.
CREATE TABLE arch_spt961 (
    devid       varchar(50) NOT NULL,
    rectypeid   smallint NOT NULL REFERENCES rectypes,
    dt          timestamp NOT NULL,
    ts          timestamp,
    t1 double precision, t2 double precision, t3 double precision,
    p1 double precision, p2 double precision,
    v1 double precision, v1i double precision,
    v2 double precision, v2i double precision,
    v3 double precision, v3i double precision,
    q double precision,  qi double precision,
    PRIMARY KEY (devid, rectypeid, dt)
);

-- Flat water meters read through Tarmin concentrators.
CREATE TABLE arch_tarmin (
    devid       varchar(50) NOT NULL,
    rectypeid   smallint NOT NULL REFERENCES rectypes,
    dt          timestamp NOT NULL,
    ts          timestamp,
    v double precision, vi double precision,
    err double precision,
    PRIMARY KEY (devid, rectypeid, dt)
);

-- Electricity meters Mercury 230.
CREATE TABLE arch_merc230 (
    devid       varchar(50) NOT NULL,
    rectypeid   smallint NOT NULL REFERENCES rectypes,
    dt          timestamp NOT NULL,
    ts          timestamp,
    ap double precision, api double precision,
    am double precision, ami double precision,
    rp double precision, rpi double precision,
    rm double precision, rmi double precision,
    pmax double precision,
    PRIMARY KEY (devid, rectypeid, dt)
);

------------------------------------------------------------------------------
-- Heat and water metering: objects (buildings), units, unit channels
------------------------------------------------------------------------------

CREATE TABLE hwunittypes (
    utypeid     integer PRIMARY KEY,
    utypename   varchar(255),
    utypeabbr   varchar(255)       -- 'КВ' marks the flat type (flat register)
);

CREATE TABLE hwobjects (
    objid       serial PRIMARY KEY,
    bldid       integer REFERENCES buildings,
    objname     varchar(255)
);
CREATE INDEX hwobjects_bldid_idx ON hwobjects (bldid);

CREATE TABLE hwunits (
    unitid      serial PRIMARY KEY,
    objid       integer NOT NULL REFERENCES hwobjects ON DELETE CASCADE,
    utypeid     integer REFERENCES hwunittypes,
    unitname    varchar(255)
);
CREATE INDEX hwunits_objid_idx ON hwunits (objid);
CREATE INDEX hwunits_utypeid_idx ON hwunits (utypeid);

-- regdate: the day from which the channel counts for billing (set by the
-- flat register).
CREATE TABLE hwunitdev (
    id          serial PRIMARY KEY,
    unitid      integer NOT NULL REFERENCES hwunits ON DELETE CASCADE,
    systemid    integer REFERENCES systems,
    vdevid      varchar(50) REFERENCES vdevices,
    ctpid       integer REFERENCES ctp,
    regdate     date
);
CREATE INDEX hwunitdev_unitid_idx ON hwunitdev (unitid);
CREATE INDEX hwunitdev_vdevid_idx ON hwunitdev (vdevid);
CREATE INDEX hwunitdev_systemid_idx ON hwunitdev (systemid);
CREATE INDEX hwunitdev_ctpid_idx ON hwunitdev (ctpid);

------------------------------------------------------------------------------
-- Water supply contracts and water inputs
------------------------------------------------------------------------------

CREATE TABLE contractsw (
    contractid  serial PRIMARY KEY,
    number      varchar(50),
    cdate       date,
    supplierid  integer REFERENCES organizations,
    customerid  integer REFERENCES organizations
);
CREATE INDEX contractsw_supplierid_idx ON contractsw (supplierid);
CREATE INDEX contractsw_customerid_idx ON contractsw (customerid);

-- A water input of a unit channel; goes with the channel. paramid is the
-- channel category's parameter (quantid 3) that measures the input.
CREATE TABLE watersupply (
    wsid        serial PRIMARY KEY,
    contractid  integer REFERENCES contractsw,
    winputnum   varchar(255),
    udevid      integer NOT NULL REFERENCES hwunitdev ON DELETE CASCADE,
    paramid     integer REFERENCES devparams
);
CREATE INDEX watersupply_udevid_idx ON watersupply (udevid);
CREATE INDEX watersupply_contractid_idx ON watersupply (contractid);
CREATE INDEX watersupply_paramid_idx ON watersupply (paramid);

------------------------------------------------------------------------------
-- Electricity supply contracts, abonents, meters, tariffs
------------------------------------------------------------------------------

-- Tariffs; tartype 1 are the electricity tariffs.
CREATE TABLE tariffs (
    code        integer PRIMARY KEY,
    tarname     varchar(255),
    tartype     integer
);
CREATE INDEX tariffs_tartype_idx ON tariffs (tartype);

CREATE TABLE contracts (
    contractid  serial PRIMARY KEY,
    number      varchar(255),
    supplierid  integer REFERENCES organizations,
    customerid  integer REFERENCES organizations,
    custbaccid  integer REFERENCES bankaccounts,
    depcode     varchar(255),
    curator     varchar(255)
);
CREATE INDEX contracts_supplierid_idx ON contracts (supplierid);
CREATE INDEX contracts_customerid_idx ON contracts (customerid);
CREATE INDEX contracts_custbaccid_idx ON contracts (custbaccid);

CREATE TABLE abonents (
    abonentid   serial PRIMARY KEY,
    contractid  integer NOT NULL REFERENCES contracts ON DELETE CASCADE,
    number      varchar(255),
    maxenergy   double precision        -- agreed consumption, kW*h
);
CREATE INDEX abonents_contractid_idx ON abonents (contractid);

-- tar1..tar4: tariff codes of the meter's readings, NULL for unused slots.
CREATE TABLE abondev (
    id          serial PRIMARY KEY,
    abonentid   integer NOT NULL REFERENCES abonents ON DELETE CASCADE,
    vdevid      varchar(50) REFERENCES vdevices,
    loadtypeid  integer,
    tar1        integer REFERENCES tariffs,
    tar2        integer REFERENCES tariffs,
    tar3        integer REFERENCES tariffs,
    tar4        integer REFERENCES tariffs
);
CREATE INDEX abondev_abonentid_idx ON abondev (abonentid);
CREATE INDEX abondev_vdevid_idx ON abondev (vdevid);

------------------------------------------------------------------------------
-- Server functions
------------------------------------------------------------------------------

-- Leading integer of a text, for ordering house, korpus and unit numbers:
-- '12а' -> 12, ' 7/2' -> 7, 'а' -> NULL, NULL -> NULL. Numbers that do not
-- fit an integer give 2147483647 and so sort after all others.
CREATE FUNCTION get_number(text) RETURNS integer
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
    SELECT CASE
               WHEN d IS NULL THEN NULL
               WHEN length(ltrim(d, '0')) > 10
                    OR CAST(d AS bigint) > 2147483647 THEN 2147483647
               ELSE CAST(d AS integer)
           END
    FROM (SELECT substring($1 FROM '^[[:space:]]*([0-9]+)') AS d) s
$$;

-- Display address of a building from its street code, house, korpus and
-- stroenie: settlement (if the street has one), street, 'д. ' house,
-- 'корп. ' korpus, 'стр. ' stroenie, the parts present joined by ', ';
-- NULL when no part is there.
CREATE FUNCTION building_address(p_ulid text, p_dom text, p_korp text, p_stroen text)
RETURNS varchar
LANGUAGE sql STABLE PARALLEL SAFE AS $$
    SELECT CAST(nullif(concat_ws(', ',
                   nullif(btrim(a.areaname), ''),
                   nullif(btrim(u.unitname), ''),
                   'д. ' || nullif(btrim(p_dom), ''),
                   'корп. ' || nullif(btrim(p_korp), ''),
                   'стр. ' || nullif(btrim(p_stroen), '')), '') AS varchar(255))
    FROM (SELECT 1) one
    LEFT JOIN addrunits u ON u.unitid = p_ulid
    LEFT JOIN areas a ON a.areaid = u.areaid
$$;

-- Display address of a building (building_address); NULL for NULL or an
-- unknown building. The lists call it for every row they show (20,000
-- devices, 10,000 metering objects), so it reads the address that the
-- triggers below keep in buildings.address: one index lookup instead of a
-- join of three tables per call, about three times faster. A row written
-- while triggers were off has no address yet; it is computed then.
CREATE FUNCTION get_address(integer) RETURNS varchar
LANGUAGE sql STABLE STRICT PARALLEL SAFE AS $$
    SELECT coalesce(b.address, building_address(b.ulid, b.dom, b.korp, b.stroen))
    FROM buildings b
    WHERE b.buildingid = $1
$$;

-- buildings.address follows the building's street, house, korpus and
-- stroenie, the street's name and settlement and the settlement's name.
CREATE FUNCTION buildings_address_trg() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    NEW.address := building_address(NEW.ulid, NEW.dom, NEW.korp, NEW.stroen);
    RETURN NEW;
END
$$;
CREATE TRIGGER buildings_address BEFORE INSERT OR UPDATE OF ulid, dom, korp, stroen, address
    ON buildings FOR EACH ROW EXECUTE FUNCTION buildings_address_trg();

CREATE FUNCTION addrunits_address_trg() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    UPDATE buildings SET address = NULL WHERE ulid = NEW.unitid;
    RETURN NULL;
END
$$;
CREATE TRIGGER addrunits_address AFTER UPDATE OF unitname, areaid ON addrunits
    FOR EACH ROW
    WHEN (OLD.unitname IS DISTINCT FROM NEW.unitname OR OLD.areaid IS DISTINCT FROM NEW.areaid)
    EXECUTE FUNCTION addrunits_address_trg();

CREATE FUNCTION areas_address_trg() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    UPDATE buildings b SET address = NULL
    FROM addrunits u
    WHERE u.areaid = NEW.areaid AND b.ulid = u.unitid;
    RETURN NULL;
END
$$;
CREATE TRIGGER areas_address AFTER UPDATE OF areaname ON areas
    FOR EACH ROW WHEN (OLD.areaname IS DISTINCT FROM NEW.areaname)
    EXECUTE FUNCTION areas_address_trg();

-- Comparison form of a house, korpus or stroenie number: blanks removed,
-- letters in lower case (Cyrillic folded explicitly, so that it works with
-- any database locale), empty text as NULL.
CREATE FUNCTION addr_key(text) RETURNS text
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT nullif(lower(translate(regexp_replace($1, '[[:space:]]+', '', 'g'),
                      'АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ',
                      'абвгдеёжзийклмнопрстуфхцчшщъыьэюя')), '')
$$;

-- Updates the buildings from the rows loaded into str_doma.
-- A staged row names a building by street code + house + korpus + stroenie
-- (compared as addr_key, so '12А' and '12 а' are the same house; an empty
-- korpus is no korpus). Known buildings take the staged status and, when
-- the staged district code is a known city district, that district. Unknown
-- buildings are added, with the district when it is known. Rows whose
-- street code is not a known street are skipped (reported as a notice).
-- When a building occurs several times in the file, its last row counts.
-- Returns the number of buildings added plus updated.
-- The keys are compared with '' for no part (addr_key never gives ''), so
-- that the joins hash on the whole key: compared on the street alone, every
-- staged row met every building of its street, with addr_key worked out
-- again for each pair (100,000 rows took seconds instead of tenths).
CREATE FUNCTION upd_buildings() RETURNS integer
LANGUAGE plpgsql AS $$
DECLARE
    n_skipped integer;
    n_updated integer;
    n_added   integer;
BEGIN
    IF to_regclass('pg_temp.upd_buildings_src') IS NOT NULL THEN
        DROP TABLE pg_temp.upd_buildings_src;
    END IF;
    CREATE TEMP TABLE upd_buildings_src ON COMMIT DROP AS
    SELECT DISTINCT ON (ulid, kdom, kkorp, kstroen)
           ulid, kdom, kkorp, kstroen, dom, korp, stroen, gil, teid
    FROM (SELECT nullif(btrim(s.kod_ul), '') AS ulid,
                 coalesce(addr_key(s.dom), '') AS kdom,
                 coalesce(addr_key(s.korp), '') AS kkorp,
                 coalesce(addr_key(s.stroen), '') AS kstroen,
                 nullif(btrim(s.dom), '') AS dom,
                 nullif(btrim(s.korp), '') AS korp,
                 nullif(btrim(s.stroen), '') AS stroen,
                 nullif(btrim(s.gil), '') AS gil,
                 te.unitid AS teid,
                 s.ctid AS rid
          FROM str_doma s
          LEFT JOIN addrunits te
                 ON te.utype = 'TE' AND te.unitid = nullif(btrim(s.kod_te), '')) x
    ORDER BY ulid, kdom, kkorp, kstroen, rid DESC;

    DELETE FROM upd_buildings_src r
    WHERE NOT EXISTS (SELECT 1 FROM addrunits u
                      WHERE u.utype = 'UL' AND u.unitid = r.ulid);
    GET DIAGNOSTICS n_skipped = ROW_COUNT;
    IF n_skipped > 0 THEN
        RAISE NOTICE 'upd_buildings: % address(es) skipped, street code unknown',
                     n_skipped;
    END IF;
    ANALYZE upd_buildings_src;

    UPDATE buildings b
    SET gil = r.gil,
        teid = coalesce(r.teid, b.teid)
    FROM upd_buildings_src r
    WHERE b.ulid = r.ulid
      AND coalesce(addr_key(b.dom), '') = r.kdom
      AND coalesce(addr_key(b.korp), '') = r.kkorp
      AND coalesce(addr_key(b.stroen), '') = r.kstroen
      AND (b.gil IS DISTINCT FROM r.gil
           OR (r.teid IS NOT NULL AND b.teid IS DISTINCT FROM r.teid));
    GET DIAGNOSTICS n_updated = ROW_COUNT;

    INSERT INTO buildings (ulid, dom, korp, stroen, gil, teid)
    SELECT r.ulid, r.dom, r.korp, r.stroen, r.gil, r.teid
    FROM upd_buildings_src r
    WHERE NOT EXISTS (
        SELECT 1 FROM buildings b
        WHERE b.ulid = r.ulid
          AND coalesce(addr_key(b.dom), '') = r.kdom
          AND coalesce(addr_key(b.korp), '') = r.kkorp
          AND coalesce(addr_key(b.stroen), '') = r.kstroen)
    ORDER BY r.ulid, get_number(r.dom), r.dom, r.korp, r.stroen;
    GET DIAGNOSTICS n_added = ROW_COUNT;

    DROP TABLE upd_buildings_src;
    RETURN n_added + n_updated;
END
$$;

-- Registers a flat's meter channel in a metering object (the flat register).
--     p_objid    metering object (hwobjects.objid)
--     p_flat     flat number; the flat's unit is the object's unit of the
--                flat type ('КВ') with this name, created when missing
--     p_systemid supply system: 2 hot water, 3 cold water
--     p_vdevid   channel, e.g. 'TARM_VD2_123' (channel 3 of concentrator 123)
--     p_regdate  date from which the meter counts, 'dd.mm.yyyy'
--                (also 'yyyy-mm-dd'); stored as hwunitdev.regdate
-- Result: 0 registered; 1 no such metering object; 2 bad system code;
-- 3 no such channel; 4 the channel is already bound to a unit of this
-- object (a meter serves one flat). A missing flat number or an unreadable
-- date raise an error.
CREATE FUNCTION add_aptdevice(p_objid integer, p_flat text, p_systemid integer,
                              p_vdevid text, p_regdate text) RETURNS integer
LANGUAGE plpgsql AS $$
DECLARE
    v_flat    text := btrim(p_flat);
    v_date    date;
    v_utypeid integer;
    v_unitid  integer;
    m         text[];
BEGIN
    -- The object row is locked so that two runs over one building queue up.
    PERFORM 1 FROM hwobjects WHERE objid = p_objid FOR UPDATE;
    IF NOT FOUND THEN
        RETURN 1;
    END IF;

    IF p_systemid IS NULL OR p_systemid NOT IN (2, 3)
       OR NOT EXISTS (SELECT 1 FROM systems WHERE systemid = p_systemid) THEN
        RETURN 2;
    END IF;

    IF NOT EXISTS (SELECT 1 FROM vdevices WHERE vdevid = p_vdevid) THEN
        RETURN 3;
    END IF;

    IF EXISTS (SELECT 1
               FROM hwunitdev ud
               JOIN hwunits u ON u.unitid = ud.unitid
               WHERE u.objid = p_objid AND ud.vdevid = p_vdevid) THEN
        RETURN 4;
    END IF;

    IF v_flat IS NULL OR v_flat = '' THEN
        RAISE EXCEPTION 'не задан номер квартиры';
    END IF;

    IF nullif(btrim(p_regdate), '') IS NOT NULL THEN
        m := regexp_match(p_regdate,
                          '^[[:space:]]*([0-9]{1,2})\.([0-9]{1,2})\.([0-9]{4})[[:space:]]*$');
        IF m IS NOT NULL THEN
            BEGIN
                v_date := make_date(CAST(m[3] AS integer), CAST(m[2] AS integer),
                                    CAST(m[1] AS integer));
            EXCEPTION WHEN datetime_field_overflow OR invalid_datetime_format THEN
                v_date := NULL;
            END;
        ELSE
            m := regexp_match(p_regdate,
                              '^[[:space:]]*([0-9]{4})-([0-9]{1,2})-([0-9]{1,2})[[:space:]]*$');
            IF m IS NOT NULL THEN
                BEGIN
                    v_date := make_date(CAST(m[1] AS integer), CAST(m[2] AS integer),
                                        CAST(m[3] AS integer));
                EXCEPTION WHEN datetime_field_overflow OR invalid_datetime_format THEN
                    v_date := NULL;
                END;
            END IF;
        END IF;
        IF v_date IS NULL THEN
            RAISE EXCEPTION 'неверная дата постановки на учет: "%"', p_regdate;
        END IF;
    END IF;

    -- The unit type of flats; created on first use in a database that has none.
    SELECT utypeid INTO v_utypeid
    FROM hwunittypes
    WHERE utypeabbr = 'КВ' OR utypename LIKE 'Квартир%' OR utypename LIKE 'квартир%'
    ORDER BY (utypeabbr = 'КВ') DESC, utypeid
    LIMIT 1;
    IF NOT FOUND THEN
        LOCK TABLE hwunittypes IN SHARE ROW EXCLUSIVE MODE;
        INSERT INTO hwunittypes (utypeid, utypename, utypeabbr)
        SELECT coalesce(max(utypeid), 0) + 1, 'Квартира', 'КВ' FROM hwunittypes
        RETURNING utypeid INTO v_utypeid;
    END IF;

    SELECT unitid INTO v_unitid
    FROM hwunits
    WHERE objid = p_objid AND utypeid = v_utypeid AND btrim(unitname) = v_flat
    ORDER BY unitid
    LIMIT 1;
    IF NOT FOUND THEN
        INSERT INTO hwunits (objid, utypeid, unitname)
        VALUES (p_objid, v_utypeid, v_flat)
        RETURNING unitid INTO v_unitid;
    END IF;

    INSERT INTO hwunitdev (unitid, systemid, vdevid, regdate)
    VALUES (v_unitid, p_systemid, p_vdevid, v_date);
    RETURN 0;
END
$$;
