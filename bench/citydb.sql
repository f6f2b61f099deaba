-- A city-sized metering database for the benchmarks, generated in the
-- server with generate_series. Loaded after db/schema.sql into an empty
-- database:
--     psql -v ON_ERROR_STOP=1 -v scale=1 -d <db> -f db/schema.sql -f bench/citydb.sql
-- scale 1 (the default) is the full city, in rows:
--     address: 6 administrative districts, 30 city districts, 10 settlements,
--              3,000 streets, 100,000 buildings
--     2,000 organisations with 4,000 bank accounts, 200 CTP
--     50 device types in 20 categories, 20,000 devices, 60,000 channels,
--     240,000 attribute values
--     10,000 metering objects, 40,000 units, 60,000 unit channels
--     3,000 electricity contracts, 20,000 abonents, 30,000 meters
--     1,000 water supply contracts
--     archive: 2,000,000 hourly and daily rows (arch_tsrv, arch_merc230)
-- A smaller scale (0.01 for the quick run) divides every count that grows
-- with the city; the districts, settlements, categories and types stay.
--
-- The data are deterministic (no random()), so two databases of one scale
-- are alike. The daily archives end on 2024-12-31 and go back two years;
-- the hourly ones cover 2024. Flat register channels: the Tarmin
-- concentrators (sernum 1201 and on) with channels TARM_VD0_<n> ..
-- TARM_VD15_<n>, bound to no unit.

SET client_encoding = 'UTF8';
SET client_min_messages = warning;

\if :{?scale}
\else
\set scale 1
\endif

-- The counts of this scale, as psql variables.
SELECT greatest(1, round(3000 * :scale))::int AS n_streets,
       greatest(10, round(100000 * :scale))::int AS n_buildings,
       greatest(4, round(2000 * :scale))::int AS n_orgs,
       greatest(1, round(200 * :scale))::int AS n_ctp,
       greatest(20, round(20000 * :scale))::int AS n_devices,
       greatest(1, round(250 * :scale))::int AS n_tarmin,
       greatest(2, round(10000 * :scale))::int AS n_objects,
       greatest(1, round(3000 * :scale))::int AS n_contracts,
       greatest(2, round(20000 * :scale))::int AS n_abonents,
       greatest(2, round(30000 * :scale))::int AS n_meters,
       greatest(1, round(1000 * :scale))::int AS n_contractsw,
       greatest(1, round(300 * :scale))::int AS n_tsrv_daily,
       greatest(1, round(146 * :scale))::int AS n_tsrv_hourly,
       greatest(1, round(100 * :scale))::int AS n_merc_daily,
       greatest(1, round(49 * :scale))::int AS n_merc_hourly
\gset

BEGIN;

------------------------------------------------------------------------------
-- Address reference
------------------------------------------------------------------------------

INSERT INTO areas (areaid, areaname)
SELECT i, (ARRAY['пос. Заречный', 'с. Березовка', 'пос. Лесной', 'с. Никольское',
                 'пос. Солнечный', 'дер. Горки', 'с. Покровское', 'пос. Октябрьский',
                 'дер. Малиновка', 'с. Троицкое'])[i]
FROM generate_series(1, 10) AS i;

INSERT INTO addrunits (utype, unitid, unitname)
SELECT 'AO', lpad(i::text, 2, '0'),
       (ARRAY['Центральный округ', 'Северный округ', 'Южный округ', 'Западный округ',
              'Восточный округ', 'Заречный округ'])[i]
FROM generate_series(1, 6) AS i;

-- Five city districts in each administrative district: '0101' .. '0605'.
INSERT INTO addrunits (utype, unitid, unitname, parentid)
SELECT 'TE', lpad(a::text, 2, '0') || lpad(k::text, 2, '0'),
       (ARRAY['Пушкинский', 'Кировский', 'Ленинский', 'Октябрьский', 'Советский',
              'Заводской', 'Приморский', 'Фрунзенский', 'Калининский', 'Московский',
              'Невский', 'Выборгский', 'Волжский', 'Северный', 'Южный',
              'Центральный', 'Железнодорожный', 'Промышленный', 'Садовый', 'Лесной',
              'Парковый', 'Речной', 'Нагорный', 'Луговой', 'Степной',
              'Индустриальный', 'Полевой', 'Береговой', 'Озерный', 'Солнечный'])
           [(a - 1) * 5 + k] || ' район',
       lpad(a::text, 2, '0')
FROM generate_series(1, 6) AS a, generate_series(1, 5) AS k;

-- Street i: code 100000 + i, name code 50000 + i; every tenth street lies in
-- a settlement. Its city district is bench_street_te(i).
CREATE TEMP TABLE bench_stem (n integer, stem text);
INSERT INTO bench_stem
SELECT row_number() OVER (), s
FROM unnest(ARRAY['Ленина', 'Советская', 'Мира', 'Гагарина', 'Кирова', 'Пушкина',
                  'Лермонтова', 'Чехова', 'Горького', 'Садовая', 'Молодежная', 'Школьная',
                  'Заводская', 'Набережная', 'Строителей', 'Победы', 'Октябрьская',
                  'Комсомольская', 'Первомайская', 'Московская', 'Пролетарская', 'Куйбышева',
                  'Чапаева', 'Фрунзе', 'Калинина', 'Маяковского', 'Гоголя', 'Толстого',
                  'Некрасова', 'Почтовая', 'Революции', 'Космонавтов', 'Энтузиастов',
                  'Металлургов', 'Лесная', 'Полевая', 'Луговая', 'Центральная', 'Зеленая',
                  'Солнечная', 'Северная', 'Южная', 'Трудовая', 'Рабочая', 'Озерная',
                  'Речная', 'Вокзальная', 'Парковая', 'Новая', 'Береговая', 'Тургенева',
                  'Суворова', 'Кутузова', 'Жукова', 'Свердлова', 'Дзержинского',
                  'Луначарского', 'Островского', 'Есенина', 'Крылова', 'Белинского',
                  'Ломоносова', 'Менделеева', 'Павлова', 'Циолковского', 'Королева',
                  'Титова', 'Терешковой', 'Чкалова', 'Матросова', 'Гастелло', 'Кошевого',
                  'Лазо', 'Щорса', 'Будённого', 'Ворошилова', 'Тимирязева', 'Мичурина',
                  'Докучаева', 'Попова', 'Яблочкова', 'Ползунова', 'Шевченко', 'Франко',
                  'Руставели', 'Низами', 'Абая', 'Навои', 'Джамбула', 'Шолохова',
                  'Фадеева', 'Гайдара', 'Маршака', 'Михалкова', 'Бажова', 'Мамина-Сибиряка',
                  'Кольцова', 'Никитина', 'Плеханова', 'Радищева']) AS s;

CREATE TEMP TABLE bench_street AS
SELECT i,
       CAST(100000 + i AS text) AS unitid,
       st.stem || ' ' || (ARRAY['ул.', 'пер.', 'пр-кт', 'проезд', 'б-р', 'ш.'])
           [1 + ((i - 1) / 100) % 6]
           || CASE WHEN i > 600 THEN ' ' || ((i - 1) / 600 + 1) || '-я' ELSE '' END AS name,
       CASE WHEN i % 10 = 0 THEN 1 + (i / 10) % 10 END AS areaid,
       CASE WHEN i % 10 = 0 THEN NULL
            ELSE lpad((1 + (i % 30) / 5)::text, 2, '0') || lpad((1 + i % 5)::text, 2, '0')
       END AS teid
FROM generate_series(1, :n_streets) AS i
JOIN bench_stem st ON st.n = 1 + (i - 1) % 100;

INSERT INTO addrunits (utype, unitid, unitnameid, unitname, areaid)
SELECT 'UL', unitid, CAST(50000 + i AS text), name, areaid FROM bench_street ORDER BY i;

-- Building b stands on street 1 + (b - 1) % n_streets; house numbers go up
-- along the street, every fifth house has a korpus, every 17th a letter,
-- every 23rd a stroenie.
INSERT INTO buildings (buildingid, ulid, dom, korp, stroen, gil, teid)
SELECT b, s.unitid,
       CAST(1 + (b - 1) / :n_streets AS text) || CASE WHEN b % 17 = 0 THEN 'а' ELSE '' END,
       CASE WHEN b % 5 = 0 THEN CAST(1 + b % 3 AS text) END,
       CASE WHEN b % 23 = 0 THEN '2' END,
       CASE WHEN b % 9 = 0 THEN 'Н/Ж' ELSE 'ЖИЛ' END,
       s.teid
FROM generate_series(1, :n_buildings) AS b
JOIN bench_street s ON s.i = 1 + (b - 1) % :n_streets;

------------------------------------------------------------------------------
-- Organisations, bank accounts, CTP
------------------------------------------------------------------------------

INSERT INTO organizations (orgid, orgname, phone, personh, wsclientid)
SELECT i,
       (ARRAY['ООО УК "', 'ТСЖ "', 'ООО "', 'АО "', 'МУП "', 'ЖСК "'])[1 + i % 6]
           || (ARRAY['Жилсервис', 'Рассвет', 'Надежда', 'Теплоучет', 'Энергоконтроль',
                     'Северный квартал', 'Уют', 'Строитель', 'Домовой', 'Комфорт'])
              [1 + (i / 6) % 10] || '-' || i || '"',
       '(81530) ' || (2 + i % 7) || '-' || lpad(CAST(i % 100 AS text), 2, '0') || '-'
           || lpad(CAST((i * 37) % 100 AS text), 2, '0'),
       CASE WHEN i % 3 = 0 THEN
           (ARRAY['Кузнецов О.П.', 'Соколова А.В.', 'Волков Д.С.', 'Лебедева О.Н.',
                  'Новиков И.П.', 'Федорова Е.И.'])[1 + i % 6] END,
       CASE WHEN i % 2 = 0 THEN 'ВК-' || (10000 + i) END
FROM generate_series(1, :n_orgs) AS i;

-- Two accounts per organisation: accid 2o - 1 and 2o.
INSERT INTO bankaccounts (accid, orgid, accnum, bic, bcode, bname, caccnum)
SELECT 2 * (o - 1) + k, o,
       '40702810' || lpad(CAST(o * 7919 + k * 104729 AS text), 12, '0'),
       b.bic, b.bcode, b.bname, b.cacc
FROM generate_series(1, :n_orgs) AS o
CROSS JOIN generate_series(1, 2) AS k
JOIN (VALUES (0, '044705615', '8627', 'Северо-Западный банк ПАО Сбербанк',
              '30101810300000000615'),
             (1, '044030707', '2705', 'Филиал "Северный" Банка ВТБ (ПАО)',
              '30101810400000000707'),
             (2, '044030910', '3349', 'АО "Россельхозбанк", Северный филиал',
              '30101810900000000910'),
             (3, '044030786', '1326', 'Филиал АО "Альфа-Банк"', '30101810600000000786'))
     AS b (n, bic, bcode, bname, cacc) ON b.n = (o + k) % 4;

INSERT INTO ctp (ctpid, ctpname)
SELECT c, 'ЦТП-' || c || ' (' || s.name || ', ' || (1 + c % 30) || ')'
FROM generate_series(1, :n_ctp) AS c
JOIN bench_street s ON s.i = 1 + (c * 13) % :n_streets;

------------------------------------------------------------------------------
-- Device model: 20 categories (12 heat and water, 8 electricity), 50 types
------------------------------------------------------------------------------

CREATE TEMP TABLE bench_cat (n integer, devcatid text, cls integer, tblname text, base text);
INSERT INTO bench_cat VALUES
    (1, 'TSRV', 1, 'arch_tsrv', 'Взлет ТСРВ'),
    (2, 'SPT961', 1, 'arch_spt961', 'Логика СПТ961'),
    (3, 'TARMIN', 1, 'arch_tarmin', 'Тармин УСПД'),
    (4, 'VKT7', 1, NULL, 'Теплоком ВКТ-7'),
    (5, 'KM5', 1, NULL, 'КМ-5'),
    (6, 'TEM104', 1, NULL, 'ТЭМ-104'),
    (7, 'SA94', 1, NULL, 'СА-94'),
    (8, 'MT200DS', 1, NULL, 'МТ200DS'),
    (9, 'VZLETMR', 1, NULL, 'Взлет МР'),
    (10, 'ELF', 1, NULL, 'Эльф'),
    (11, 'SPT943', 1, NULL, 'Логика СПТ943'),
    (12, 'MULTICAL', 1, NULL, 'Мультикал'),
    (13, 'MERC230', 2, 'arch_merc230', 'Меркурий 230'),
    (14, 'CE301', 2, NULL, 'Энергомера СЕ301'),
    (15, 'SET4TM', 2, NULL, 'СЭТ-4ТМ'),
    (16, 'PSCH4TM', 2, NULL, 'ПСЧ-4ТМ'),
    (17, 'ALFA', 2, NULL, 'Альфа А1800'),
    (18, 'ESKO', 2, NULL, 'ЭСКО-3Э'),
    (19, 'PULSAR', 2, NULL, 'Пульсар'),
    (20, 'STRIZH', 2, NULL, 'Стриж');

INSERT INTO devcategories (devcatid, tblname) SELECT devcatid, tblname FROM bench_cat;

-- Type t belongs to category 1 + (t - 1) % 20: two or three types each.
INSERT INTO devtypes (devtypeid, devclassid, devcatid, typename, checkinterval)
SELECT t, c.cls, c.devcatid, c.base || ' мод. ' || (1 + (t - 1) / 20),
       CASE WHEN c.cls = 2 THEN 120 WHEN c.devcatid = 'TARMIN' THEN 72 ELSE 48 END
FROM generate_series(1, 50) AS t
JOIN bench_cat c ON c.n = 1 + (t - 1) % 20;

INSERT INTO systems (systemid, systemname, systemabbr) VALUES
    (1, 'Отопление', 'ОТ'),
    (2, 'Горячее водоснабжение', 'ГВС'),
    (3, 'Холодное водоснабжение', 'ХВС'),
    (4, 'Вентиляция', 'ВЕНТ'),
    (5, 'Подпитка', 'ПОДП'),
    (6, 'Технологический пар', 'ПАР');

INSERT INTO rectypes (rectypeid, timeintname) VALUES
    (1, 'Часовые'), (2, 'Суточные'), (3, 'Месячные');

INSERT INTO attrdef (attrid, attrname, attrdescr) VALUES
    ('IPAD', 'IP адрес опросчика', 'IP адрес компьютера, который опрашивает прибор'),
    ('ADDR', 'Подключение прибора', 'Канал связи между опросчиком и прибором'),
    ('DVAD', 'Сет. адрес прибора', 'Сетевой адрес прибора на линии связи'),
    ('VDIX', 'Индекс ВП', 'Номер канала измерения в приборе'),
    ('CTYP', 'Схема измерения', 'Схема подключения канала измерения'),
    ('SYST', 'Наименование системы', 'Система, которую измеряет канал');

INSERT INTO devparams (paramid, paramname, description, devcatid, quantid, fname, finame) VALUES
    (101, 'T1', 'Температура в подающем трубопроводе, °C', 'TSRV', 2, 't1', NULL),
    (102, 'T2', 'Температура в обратном трубопроводе, °C', 'TSRV', 2, 't2', NULL),
    (103, 'P1', 'Давление в подающем трубопроводе, МПа', 'TSRV', 4, 'p1', NULL),
    (104, 'P2', 'Давление в обратном трубопроводе, МПа', 'TSRV', 4, 'p2', NULL),
    (105, 'V1', 'Объем воды в подающем трубопроводе, м3', 'TSRV', 3, 'v1', 'v1i'),
    (106, 'V2', 'Объем воды в обратном трубопроводе, м3', 'TSRV', 3, 'v2', 'v2i'),
    (107, 'Q', 'Тепловая энергия, Гкал', 'TSRV', 1, 'q', 'qi'),
    (108, 'Тнар', 'Время наработки, ч', 'TSRV', 6, 'tw', 'twi'),
    (301, 'V', 'Объем воды, м3', 'TARMIN', 3, 'v', 'vi'),
    (302, 'Ош.', 'Код ошибки счетчика', 'TARMIN', 7, 'err', NULL),
    (401, 'A+', 'Активная энергия, прием, кВт*ч', 'MERC230', 5, 'ap', 'api'),
    (402, 'A-', 'Активная энергия, отдача, кВт*ч', 'MERC230', 5, 'am', 'ami'),
    (403, 'R+', 'Реактивная энергия, прием, квар*ч', 'MERC230', 5, 'rp', 'rpi'),
    (404, 'R-', 'Реактивная энергия, отдача, квар*ч', 'MERC230', 5, 'rm', 'rmi'),
    (405, 'Pmax', 'Максимальная мощность, кВт', 'MERC230', 5, 'pmax', NULL);

------------------------------------------------------------------------------
-- Devices and channels. Devices 1 .. n_tarmin are Tarmin concentrators with
-- 16 channels each; the other heat and water devices and the electricity
-- meters (the last 40 %) have three channels or two, so that there are
-- three channels per device in all.
------------------------------------------------------------------------------

CREATE TEMP TABLE bench_types AS
SELECT devtypeid, devclassid, devcatid,
       row_number() OVER (PARTITION BY devclassid, devcatid = 'TARMIN' ORDER BY devtypeid) - 1
           AS k,
       count(*) OVER (PARTITION BY devclassid, devcatid = 'TARMIN') AS cnt
FROM devtypes;

CREATE TEMP TABLE bench_dev AS
SELECT d,
       CASE WHEN d <= :n_tarmin THEN 'TARMIN' WHEN d > :n_devices * 0.6 THEN 'EL' ELSE 'HW' END
           AS fam,
       CASE WHEN d <= :n_tarmin THEN 16
            WHEN d - :n_tarmin <= 3 * :n_devices - 16 * :n_tarmin - 2 * (:n_devices - :n_tarmin)
            THEN 3 ELSE 2 END AS nch
FROM generate_series(1, :n_devices) AS d;
ALTER TABLE bench_dev ADD COLUMN devtypeid integer, ADD COLUMN sernum text,
    ADD COLUMN devid text;
UPDATE bench_dev b SET devtypeid = t.devtypeid
FROM bench_types t
WHERE t.devclassid = CASE WHEN b.fam = 'EL' THEN 2 ELSE 1 END
  AND (t.devcatid = 'TARMIN') = (b.fam = 'TARMIN')
  AND t.k = b.d % t.cnt;
UPDATE bench_dev b SET sernum = CASE WHEN fam = 'TARMIN' THEN CAST(1200 + d AS text)
                                     ELSE CAST(2400000 + d * 7 AS text) END;
UPDATE bench_dev b SET devid = t.devcatid || '_' || b.sernum
FROM devtypes t WHERE t.devtypeid = b.devtypeid;

INSERT INTO devices (devid, devtypeid, sernum, version, description, ownerid, installerid,
                     serviceid, instbldid, installdate, servicebegindate, workbegindate,
                     lastcheckdate)
SELECT devid, devtypeid, sernum, (ARRAY['3.12', '2.1.4', '1.7', '4.02', '7.2'])[1 + d % 5],
       CASE WHEN d % 5 = 0 THEN 'Поверка по графику'
            WHEN d % 11 = 0 THEN 'Замена батареи в ' || (2020 + d % 5) || ' г.' END,
       1 + (d * 7) % :n_orgs, 1 + (d * 11) % :n_orgs,
       CASE WHEN d % 4 <> 0 THEN 1 + (d * 13) % :n_orgs END,
       1 + (d * 5) % :n_buildings,
       timestamp '2012-01-01' + (d % 3650) * interval '1 day',
       timestamp '2012-01-15' + (d % 3650) * interval '1 day',
       CASE WHEN d % 3 <> 0 THEN timestamp '2012-02-01' + (d % 3650) * interval '1 day' END,
       CASE WHEN d % 7 <> 0 THEN timestamp '2016-01-01' + (d % 3000) * interval '1 day' END
FROM bench_dev ORDER BY d;

-- n numbers the channels of each family, for binding them to units and meters.
CREATE TEMP TABLE bench_vdev AS
SELECT d.d, d.fam, d.devid, d.devtypeid, c,
       CASE WHEN d.fam = 'TARMIN' THEN 'TARM_VD' || (c - 1) || '_' || d.sernum
            ELSE d.devid || '_' || c END AS vdevid,
       row_number() OVER (PARTITION BY d.fam ORDER BY d.d, c) AS n
FROM bench_dev d CROSS JOIN LATERAL generate_series(1, d.nch) AS c;

INSERT INTO vdevices (vdevid, devid) SELECT vdevid, devid FROM bench_vdev ORDER BY vdevid;

INSERT INTO attrval (devid, attrid, val)
SELECT devid, 'IPAD', '10.' || (20 + d % 8) || '.' || (d / 250) % 250 || '.' || (1 + d % 250)
FROM bench_dev
UNION ALL
SELECT devid, 'ADDR', CASE WHEN fam = 'TARMIN' THEN 'Ethernet, порт 4001'
                           WHEN fam = 'EL' THEN 'RS-485, преобразователь MOXA NPort 5150'
                           WHEN d % 2 = 0 THEN 'GSM-модем (CSD)' ELSE 'Ethernet, порт 4001' END
FROM bench_dev
UNION ALL
SELECT devid, 'DVAD', CAST(1 + d % 240 AS text) FROM bench_dev
UNION ALL
SELECT vdevid, 'VDIX', CAST(CASE WHEN fam = 'TARMIN' THEN c - 1 ELSE c END AS text)
FROM bench_vdev
UNION ALL
SELECT vdevid, 'CTYP', CASE WHEN fam = 'TARMIN' THEN 'Импульсный вход'
                            WHEN fam = 'EL' AND d % 3 = 0 THEN 'Трансформаторное включение'
                            WHEN fam = 'EL' THEN 'Прямое включение'
                            WHEN c = 1 THEN 'Закрытая система'
                            WHEN c = 2 THEN 'ГВС с циркуляцией'
                            ELSE 'Водосчетчик' END
FROM bench_vdev
UNION ALL
SELECT vdevid, 'SYST', CASE WHEN fam = 'TARMIN' THEN 'Квартирный водосчетчик'
                            WHEN fam = 'EL' THEN 'Электроэнергия'
                            ELSE (ARRAY['Отопление', 'Горячее водоснабжение',
                                        'Холодное водоснабжение'])[c] END
FROM bench_vdev;

------------------------------------------------------------------------------
-- Heat and water metering: objects on every tenth building, four units per
-- object, unit channels on the heat and water channels (1.5 per unit)
------------------------------------------------------------------------------

INSERT INTO hwunittypes (utypeid, utypename, utypeabbr) VALUES
    (1, 'Индивидуальный тепловой пункт', 'ИТП'),
    (2, 'Узел учета тепловой энергии', 'УУТЭ'),
    (3, 'Узел учета холодной воды', 'УУХВ'),
    (4, 'Квартира', 'КВ'),
    (5, 'Нежилое помещение', 'НП');

INSERT INTO hwobjects (objid, bldid, objname)
SELECT k, 1 + ((k - 1) * (:n_buildings / :n_objects)) % :n_buildings,
       (ARRAY['Жилой дом', 'Жилой дом', 'Школа', 'Детский сад', 'Поликлиника',
              'Административное здание', 'Магазин'])[1 + k % 7]
FROM generate_series(1, :n_objects) AS k;

INSERT INTO hwunits (unitid, objid, utypeid, unitname)
SELECT u, 1 + (u - 1) / 4,
       (ARRAY[1, 2, 3, 5])[1 + (u - 1) % 4],
       (ARRAY['ИТП', 'Узел учета № 1', 'Ввод ХВС', 'Пом. '])[1 + (u - 1) % 4]
           || CASE WHEN (u - 1) % 4 = 3 THEN CAST(1 + u % 40 AS text) ELSE '' END
FROM generate_series(1, 4 * :n_objects) AS u;

-- The first half of the units gets two channels, the other half one.
INSERT INTO hwunitdev (id, unitid, systemid, vdevid, ctpid)
SELECT r, u.u, 1 + (r % 3), v.vdevid,
       CASE WHEN r % 3 <> 0 THEN 1 + r % :n_ctp END
FROM (SELECT row_number() OVER (ORDER BY u, k) AS r, u
      FROM generate_series(1, 4 * :n_objects) AS u
      CROSS JOIN generate_series(1, 2) AS k
      WHERE k = 1 OR u <= 2 * :n_objects) u
JOIN bench_vdev v ON v.fam = 'HW'
 AND v.n = 1 + (u.r - 1) % (SELECT count(*) FROM bench_vdev WHERE fam = 'HW');

------------------------------------------------------------------------------
-- Water supply contracts; electricity contracts, abonents and meters
------------------------------------------------------------------------------

INSERT INTO contractsw (contractid, number, cdate, supplierid, customerid)
SELECT i, 'В-' || (2015 + i % 10) || '/' || lpad(i::text, 4, '0'),
       CASE WHEN i % 6 <> 0 THEN date '2015-01-10' + (i * 3) % 3600 END,
       2, 1 + (i * 17) % :n_orgs
FROM generate_series(1, :n_contractsw) AS i;

INSERT INTO tariffs (code, tarname, tartype) VALUES
    (0, 'Сумма тарифов (активная энергия)', 1),
    (1, 'Тариф 1 (дневной)', 1),
    (2, 'Тариф 2 (ночной)', 1),
    (3, 'Тариф 3 (пиковый)', 1),
    (4, 'Тариф 4 (полупиковый)', 1),
    (9, 'Реактивная энергия (сумма тарифов)', 1);

INSERT INTO contracts (contractid, number, supplierid, customerid, custbaccid, depcode, curator)
SELECT n, 'Э-' || lpad(n::text, 5, '0'), 3, 1 + (n * 7) % :n_orgs,
       2 * ((n * 7) % :n_orgs) + 1,
       'Участок ' || (1 + n % 12),
       (ARRAY['Петрова И.А.', 'Григорьев С.Н.', 'Белова Т.М.', 'Зайцев П.Р.'])[1 + n % 4]
FROM generate_series(1, :n_contracts) AS n;

INSERT INTO abonents (abonentid, contractid, number, maxenergy)
SELECT a, 1 + (a - 1) % :n_contracts, 'Л/с ' || lpad(a::text, 6, '0'),
       12000 + 500 * (a % 40)
FROM generate_series(1, :n_abonents) AS a;

INSERT INTO abondev (id, abonentid, vdevid, loadtypeid, tar1, tar2, tar3, tar4)
SELECT m, 1 + (m - 1) % :n_abonents, v.vdevid, 1 + m % 2,
       CASE WHEN m % 4 = 0 THEN 1 ELSE 0 END,
       CASE WHEN m % 4 = 0 THEN 2 ELSE 9 END,
       CASE WHEN m % 8 = 0 THEN 0 END, NULL
FROM generate_series(1, :n_meters) AS m
JOIN bench_vdev v ON v.fam = 'EL'
 AND v.n = 1 + (m - 1) % (SELECT count(*) FROM bench_vdev WHERE fam = 'EL');

------------------------------------------------------------------------------
-- Archives: daily records of 2023-2024 and hourly records of 2024 for the
-- first channels of the TSRV and Mercury 230 devices. Values follow smooth
-- curves; the integrated ones grow linearly.
------------------------------------------------------------------------------

CREATE TEMP TABLE bench_arch AS
SELECT v.vdevid, 1 AS fam, row_number() OVER (ORDER BY v.d, v.c) AS k
FROM bench_vdev v JOIN devtypes t ON t.devtypeid = v.devtypeid
WHERE t.devcatid = 'TSRV'
UNION ALL
SELECT v.vdevid, 2, row_number() OVER (ORDER BY v.d, v.c)
FROM bench_vdev v JOIN devtypes t ON t.devtypeid = v.devtypeid
WHERE t.devcatid = 'MERC230';

INSERT INTO arch_tsrv (devid, rectypeid, dt, ts, t1, t2, p1, p2, v1, v1i, v2, v2i, q, qi, tw,
                       twi)
SELECT a.vdevid, r.rectypeid, r.dt, r.dt + interval '1 day' * r.len + interval '4 min',
       round(1000 * (70 + 15 * cos(r.x) + (a.k % 7))) / 1000,
       round(1000 * (45 + 6 * cos(r.x) + (a.k % 5))) / 1000,
       0.62 + 0.01 * (a.k % 4), 0.38 + 0.01 * (a.k % 3),
       round(1000 * (r.len * (190 + 70 * cos(r.x)))) / 1000,
       round(1000 * (8400 * a.k + r.h * 8)) / 1000,
       round(1000 * (r.len * (188 + 70 * cos(r.x)))) / 1000,
       round(1000 * (8350 * a.k + r.h * 7.9)) / 1000,
       round(1000 * (r.len * (4.5 + 2 * cos(r.x)))) / 1000,
       round(1000 * (950 * a.k + r.h * 0.19)) / 1000,
       24 * r.len, 41000 + r.h
FROM bench_arch a
CROSS JOIN LATERAL (
    SELECT 2 AS rectypeid, d AS dt, 1.0 AS len,
           2 * pi() * extract(doy FROM d) / 365.0 AS x,
           CAST(extract(epoch FROM d - timestamp '2020-01-01') AS float8) / 3600 AS h
    FROM generate_series(timestamp '2023-01-01', timestamp '2024-12-31', interval '1 day') AS d
    WHERE a.k <= :n_tsrv_daily
    UNION ALL
    SELECT 1, d, 1.0 / 24, 2 * pi() * extract(doy FROM d) / 365.0,
           CAST(extract(epoch FROM d - timestamp '2020-01-01') AS float8) / 3600
    FROM generate_series(timestamp '2024-01-01', timestamp '2024-12-31 23:00', interval '1 hour')
         AS d
    WHERE a.k <= :n_tsrv_hourly
) r
WHERE a.fam = 1;

INSERT INTO arch_merc230 (devid, rectypeid, dt, ts, ap, api, am, ami, rp, rpi, rm, rmi, pmax)
SELECT a.vdevid, r.rectypeid, r.dt, r.dt + interval '1 day' * r.len + interval '3 min',
       round(1000 * (r.len * (420 + 140 * cos(r.x)))) / 1000,
       round(1000 * (31000 * a.k + r.h * 17.5)) / 1000,
       0, 0,
       round(1000 * (r.len * (120 + 40 * cos(r.x)))) / 1000,
       round(1000 * (9000 * a.k + r.h * 5)) / 1000,
       round(1000 * (r.len * 0.48)) / 1000, round(1000 * (r.h * 0.02)) / 1000,
       round(1000 * (31 + 9 * cos(r.x))) / 1000
FROM bench_arch a
CROSS JOIN LATERAL (
    SELECT 2 AS rectypeid, d AS dt, 1.0 AS len,
           2 * pi() * extract(doy FROM d) / 365.0 AS x,
           CAST(extract(epoch FROM d - timestamp '2020-01-01') AS float8) / 3600 AS h
    FROM generate_series(timestamp '2023-01-01', timestamp '2024-12-31', interval '1 day') AS d
    WHERE a.k <= :n_merc_daily
    UNION ALL
    SELECT 1, d, 1.0 / 24, 2 * pi() * extract(doy FROM d) / 365.0,
           CAST(extract(epoch FROM d - timestamp '2020-01-01') AS float8) / 3600
    FROM generate_series(timestamp '2024-01-01', timestamp '2024-12-31 23:00', interval '1 hour')
         AS d
    WHERE a.k <= :n_merc_hourly
) r
WHERE a.fam = 2;

------------------------------------------------------------------------------
-- Sequences past the explicit keys
------------------------------------------------------------------------------

DO $$
BEGIN
    PERFORM setval('areas_areaid_seq', (SELECT max(areaid) FROM areas));
    PERFORM setval('buildings_buildingid_seq', (SELECT max(buildingid) FROM buildings));
    PERFORM setval('organizations_orgid_seq', (SELECT max(orgid) FROM organizations));
    PERFORM setval('bankaccounts_accid_seq', (SELECT max(accid) FROM bankaccounts));
    PERFORM setval('ctp_ctpid_seq', (SELECT max(ctpid) FROM ctp));
    PERFORM setval('hwobjects_objid_seq', (SELECT max(objid) FROM hwobjects));
    PERFORM setval('hwunits_unitid_seq', (SELECT max(unitid) FROM hwunits));
    PERFORM setval('hwunitdev_id_seq', (SELECT max(id) FROM hwunitdev));
    PERFORM setval('contractsw_contractid_seq', (SELECT max(contractid) FROM contractsw));
    PERFORM setval('contracts_contractid_seq', (SELECT max(contractid) FROM contracts));
    PERFORM setval('abonents_abonentid_seq', (SELECT max(abonentid) FROM abonents));
    PERFORM setval('abondev_id_seq', (SELECT max(id) FROM abondev));
END
$$;

DROP TABLE bench_stem, bench_street, bench_cat, bench_types, bench_dev, bench_vdev, bench_arch;

COMMIT;

ANALYZE;
