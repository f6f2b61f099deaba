-- A large metering database for the connect benchmark: 20,000 devices with
-- 60,000 channels and their attributes, 20,000 buildings, 5,000 metering
-- objects. Loaded after db/schema.sql into an empty database.
BEGIN;
INSERT INTO areas (areaid, areaname) VALUES (1, 'Город'), (2, 'Посёлок');
INSERT INTO addrunits (utype, unitid, unitname) VALUES ('AO', 'AO1', 'Центральный');
INSERT INTO addrunits (utype, unitid, unitname, parentid)
    SELECT 'TE', 'TE' || i, 'Район ' || i, 'AO1' FROM generate_series(1, 10) i;
INSERT INTO addrunits (utype, unitid, unitnameid, unitname, areaid)
    SELECT 'UL', 'UL' || i, 'N' || i, 'Улица номер ' || i, 1 + i % 2
    FROM generate_series(1, 500) i;
INSERT INTO buildings (buildingid, ulid, dom, korp, gil, teid)
    SELECT i, 'UL' || (1 + i % 500), (i / 500 + 1)::text,
           CASE WHEN i % 7 = 0 THEN '2' END, 'ЖИЛ', 'TE' || (1 + i % 10)
    FROM generate_series(1, 20000) i;
SELECT setval('buildings_buildingid_seq', 20000);
INSERT INTO organizations (orgid, orgname, phone)
    SELECT i, 'Организация ' || i, '555-' || i FROM generate_series(1, 200) i;
SELECT setval('organizations_orgid_seq', 200);
INSERT INTO bankaccounts (orgid, accnum, bic, bname)
    SELECT 1 + i % 200, '40702810' || lpad(i::text, 12, '0'), '044525225', 'Банк ' || (i % 9)
    FROM generate_series(1, 400) i;
INSERT INTO ctp (ctpname) SELECT 'ЦТП-' || i FROM generate_series(1, 50) i;
INSERT INTO devcategories (devcatid, tblname) VALUES ('HEAT', NULL), ('ELEC', NULL);
INSERT INTO devtypes (devtypeid, devclassid, devcatid, typename, checkinterval)
    SELECT i, 1 + i % 2, CASE WHEN i % 2 = 0 THEN 'HEAT' ELSE 'ELEC' END, 'Тип ' || i, 48
    FROM generate_series(1, 20) i;
INSERT INTO devices (devid, devtypeid, sernum, version, description, ownerid, instbldid,
                     installerid, installdate)
    SELECT 'DEV' || i, 1 + i % 20, lpad(i::text, 8, '0'), '1.' || (i % 10), 'Прибор ' || i,
           1 + i % 200, 1 + i % 20000, 1 + (i * 7) % 200, timestamp '2020-01-01' + i * interval '1 hour'
    FROM generate_series(1, 20000) i;
INSERT INTO vdevices (vdevid, devid)
    SELECT 'DEV' || d || '_' || c, 'DEV' || d
    FROM generate_series(1, 20000) d, generate_series(1, 3) c;
INSERT INTO attrdef (attrid, attrname) VALUES
    ('IPAD', 'IP адрес опросчика'), ('ADDR', 'Подключение прибора'),
    ('DVAD', 'Сет. адрес прибора'), ('VDIX', 'Индекс ВП'), ('CTYP', 'Схема измерения'),
    ('SYST', 'Наименование системы');
INSERT INTO attrval (devid, attrid, val)
    SELECT 'DEV' || d, a, CASE a WHEN 'IPAD' THEN '10.1.' || (d % 250) || '.' || (d % 200)
                                 WHEN 'ADDR' THEN 'COM' || (d % 8)
                                 ELSE (d % 240)::text END
    FROM generate_series(1, 20000) d, unnest(ARRAY['IPAD', 'ADDR', 'DVAD']) a;
INSERT INTO attrval (devid, attrid, val)
    SELECT 'DEV' || d || '_' || c, a, CASE a WHEN 'VDIX' THEN c::text
                                            WHEN 'CTYP' THEN 'Схема ' || c
                                            ELSE 'Система ' || (c % 3) END
    FROM generate_series(1, 20000) d, generate_series(1, 3) c,
         unnest(ARRAY['VDIX', 'CTYP', 'SYST']) a;
INSERT INTO systems (systemid, systemname, systemabbr) VALUES
    (1, 'Отопление', 'ОТ'), (2, 'Горячая вода', 'ГВС'), (3, 'Холодная вода', 'ХВС');
INSERT INTO rectypes (rectypeid, timeintname) VALUES (1, 'Часовые'), (2, 'Суточные');
INSERT INTO hwunittypes (utypeid, utypename, utypeabbr) VALUES (1, 'Узел', 'У'), (4, 'Квартира', 'КВ');
INSERT INTO hwobjects (objid, bldid, objname)
    SELECT i, i * 4, 'Объект ' || i FROM generate_series(1, 5000) i;
SELECT setval('hwobjects_objid_seq', 5000);
INSERT INTO hwunits (unitid, objid, utypeid, unitname)
    SELECT i, 1 + i % 5000, 1, 'Узел ' || i FROM generate_series(1, 10000) i;
SELECT setval('hwunits_unitid_seq', 10000);
INSERT INTO hwunitdev (unitid, systemid, vdevid, ctpid)
    SELECT 1 + i % 10000, 1 + i % 3, 'DEV' || (1 + i % 20000) || '_' || (1 + i % 3), 1 + i % 50
    FROM generate_series(1, 20000) i;
INSERT INTO tariffs (code, tarname, tartype) VALUES (0, 'Без тарифа', 1), (1, 'Дневной', 1),
    (2, 'Ночной', 1), (9, 'Единый', 1);
INSERT INTO contracts (contractid, number, supplierid, customerid)
    SELECT i, 'Э-' || i, 1, 1 + i % 200 FROM generate_series(1, 500) i;
SELECT setval('contracts_contractid_seq', 500);
INSERT INTO abonents (abonentid, contractid, number, maxenergy)
    SELECT i, 1 + i % 500, 'А-' || i, i * 10.5 FROM generate_series(1, 2000) i;
SELECT setval('abonents_abonentid_seq', 2000);
INSERT INTO abondev (abonentid, vdevid, tar1)
    SELECT 1 + i % 2000, 'DEV' || (2 * i + 1) || '_1', 1 FROM generate_series(1, 4000) i;
INSERT INTO contractsw (number, supplierid, customerid)
    SELECT 'В-' || i, 1, 1 + i % 200 FROM generate_series(1, 300) i;
COMMIT;
ANALYZE;
