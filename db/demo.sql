-- Kestrum demo data: the reference data and archives of a small city,
-- Severogorsk, with two settlements nearby.
--
-- Load after db/schema.sql into the same fresh database:
--     psql -v ON_ERROR_STOP=1 -d <db> -f db/schema.sql -f db/demo.sql
-- Most rows are generated with generate_series; keys are given explicitly
-- where other rows refer to them, and the sequences are moved past them at
-- the end. The archives end yesterday (daily) and in the last full hour
-- (hourly), counted from the moment the file is loaded.
--
-- Flat register: concentrators 1201, 1202 and 5533 (device class 1) with the
-- channels TARM_VD0_1201 .. TARM_VD31_1201, TARM_VD0_1202 .. TARM_VD31_1202,
-- TARM_VD0_5533 .. TARM_VD15_5533. Concentrator 1201 serves metering object
-- 1, where flats 1-4 are registered already (TARM_VD0..7_1201); 1202 serves
-- object 2 and 5533 object 39, with no flats registered yet.

SET client_encoding = 'UTF8';
SET client_min_messages = warning;
SELECT setseed(0.2024);

BEGIN;

------------------------------------------------------------------------------
-- Address reference: 3 administrative districts, 6 city districts,
-- 2 settlements, 40 streets, 300 buildings
------------------------------------------------------------------------------

INSERT INTO areas (areaid, areaname) VALUES
    (1, 'пос. Заречный'),
    (2, 'с. Березовка');

INSERT INTO addrunits (utype, unitid, unitname) VALUES
    ('AO', '01', 'ЦАО'),
    ('AO', '02', 'САО'),
    ('AO', '03', 'ЗАО');

INSERT INTO addrunits (utype, unitid, unitname, parentid) VALUES
    ('TE', '0101', 'Центральный район', '01'),
    ('TE', '0102', 'Пушкинский район', '01'),
    ('TE', '0201', 'Северный район', '02'),
    ('TE', '0202', 'район Металлургов', '02'),
    ('TE', '0301', 'Заводской район', '03'),
    ('TE', '0302', 'район Заречье', '03');

CREATE TEMP TABLE demo_street (n integer, name text, areaid integer, teid text);
INSERT INTO demo_street VALUES
    (1, 'Ленина ул.', NULL, '0101'),        (2, 'Советская ул.', NULL, '0101'),
    (3, 'Мира пр-кт', NULL, '0102'),        (4, 'Гагарина ул.', NULL, '0102'),
    (5, 'Кирова ул.', NULL, '0101'),        (6, 'Пушкина ул.', NULL, '0102'),
    (7, 'Лермонтова ул.', NULL, '0102'),    (8, 'Чехова ул.', NULL, '0101'),
    (9, 'Горького ул.', NULL, '0201'),      (10, 'Садовая ул.', NULL, '0201'),
    (11, 'Молодежная ул.', NULL, '0202'),   (12, 'Школьная ул.', NULL, '0202'),
    (13, 'Заводская ул.', NULL, '0301'),    (14, 'Набережная ул.', NULL, '0302'),
    (15, 'Строителей пр-кт', NULL, '0202'), (16, 'Победы ул.', NULL, '0201'),
    (17, 'Октябрьская ул.', NULL, '0101'),  (18, 'Комсомольская ул.', NULL, '0201'),
    (19, 'Первомайская ул.', NULL, '0301'), (20, 'Московская ул.', NULL, '0101'),
    (21, 'Пролетарская ул.', NULL, '0301'), (22, 'Куйбышева ул.', NULL, '0302'),
    (23, 'Чапаева ул.', NULL, '0302'),      (24, 'Фрунзе ул.', NULL, '0301'),
    (25, 'Калинина ул.', NULL, '0202'),     (26, 'Маяковского ул.', NULL, '0102'),
    (27, 'Гоголя ул.', NULL, '0102'),       (28, 'Толстого ул.', NULL, '0101'),
    (29, 'Некрасова ул.', NULL, '0201'),    (30, 'Почтовый пер.', NULL, '0101'),
    (31, 'Революции пл.', NULL, '0101'),    (32, 'Космонавтов б-р', NULL, '0202'),
    (33, 'Энтузиастов ш.', NULL, '0301'),   (34, 'Металлургов ул.', NULL, '0202'),
    (35, 'Лесная ул.', 1, NULL),            (36, 'Полевая ул.', 1, NULL),
    (37, 'Луговая ул.', 1, NULL),           (38, 'Центральная ул.', 2, NULL),
    (39, 'Школьная ул.', 2, NULL),          (40, 'Садовая ул.', 2, NULL);

-- Street codes 10001..10040, street name codes 5001..5040.
INSERT INTO addrunits (utype, unitid, unitnameid, unitname, areaid)
SELECT 'UL', CAST(10000 + n AS text), CAST(5000 + n AS text), name, areaid
FROM demo_street ORDER BY n;

-- Streets 1-20 have 9 buildings each, streets 21-40 six: odd house numbers,
-- every third with a korpus, an "а" house and a stroenie here and there.
INSERT INTO buildings (buildingid, ulid, dom, korp, stroen, gil, teid)
SELECT CASE WHEN s.n <= 20 THEN (s.n - 1) * 9 + h ELSE 180 + (s.n - 21) * 6 + h END,
       CAST(10000 + s.n AS text),
       CAST(2 * h - 1 AS text) || CASE WHEN h = 8 THEN 'а' ELSE '' END,
       CASE WHEN h % 3 = 0 THEN CAST((h / 3) % 2 + 1 AS text) END,
       CASE WHEN h = 7 THEN '2' END,
       CASE WHEN (s.n + h) % 7 = 0 THEN 'Н/Ж' ELSE 'ЖИЛ' END,
       s.teid
FROM demo_street s
CROSS JOIN LATERAL generate_series(1, CASE WHEN s.n <= 20 THEN 9 ELSE 6 END) AS h;

------------------------------------------------------------------------------
-- Organisations, bank accounts, CTP
------------------------------------------------------------------------------

INSERT INTO organizations (orgid, orgname, phone, personh, wsclientid) VALUES
    (1, 'АО "Северогорская теплосеть"', '(81530) 2-11-40', 'Кузнецов Олег Петрович', NULL),
    (2, 'МУП "Водоканал"', '(81530) 2-30-15', NULL, NULL),
    (3, 'ПАО "Северогорскэнергосбыт"', '(81530) 2-45-00', NULL, NULL),
    (4, 'ООО "Теплоучет-Сервис"', '(81530) 4-17-62', 'Морозов Андрей Ильич', NULL),
    (5, 'ООО "Энергоконтроль"', '(81530) 4-55-81', NULL, NULL),
    (6, 'ООО УК "Жилсервис"', '(81530) 3-12-09', 'Соколова Анна Викторовна', 'ВК-10231'),
    (7, 'ООО УК "Северный квартал"', '(81530) 3-40-77', 'Волков Денис Сергеевич', 'ВК-10244'),
    (8, 'ТСЖ "Рассвет"', '(81530) 5-21-33', 'Лебедева Ольга Николаевна', 'ВК-10302'),
    (9, 'ТСЖ "Надежда"', '(81530) 5-66-18', 'Новиков Игорь Павлович', 'ВК-10315'),
    (10, 'МБОУ "Средняя школа № 5"', '(81530) 2-54-91', 'Федорова Елена Ивановна', 'ВК-20011'),
    (11, 'МБДОУ "Детский сад № 12"', '(81530) 2-61-24', 'Козлова Мария Андреевна', 'ВК-20034'),
    (12, 'ГБУЗ "Городская больница № 1"', '(81530) 2-03-03', 'Павлов Сергей Юрьевич', 'ВК-20102'),
    (13, 'Администрация г. Северогорска', '(81530) 2-00-01', 'Орлов Виктор Алексеевич', 'ВК-20001'),
    (14, 'ООО "Хлебозавод"', '(81530) 6-14-50', 'Семенов Артем Олегович', 'ВК-30017'),
    (15, 'АО "Северогорский механический завод"', '(81530) 6-70-00', 'Егоров Павел Ильич', 'ВК-30002'),
    (16, 'ООО ТД "Уют"', '(81530) 4-88-12', NULL, 'ВК-30145'),
    (17, 'ИП Смирнов А.В.', '8-921-455-17-03', NULL, 'ВК-30190'),
    (18, 'МУП "Горэлектросеть"', '(81530) 2-47-70', NULL, NULL),
    (19, 'ООО "Метрологический центр"', '(81530) 4-02-36', 'Васильев Роман Игоревич', NULL),
    (20, 'ЖСК "Строитель-2"', '(81530) 5-09-44', 'Никитина Галина Петровна', 'ВК-10377');

-- One account per organisation, a second one for every third organisation.
INSERT INTO bankaccounts (accid, orgid, accnum, bic, bcode, bname, caccnum)
SELECT row_number() OVER (ORDER BY o.orgid, k), o.orgid,
       '40702810' || lpad(CAST(o.orgid * 7919 + k * 104729 AS text), 12, '0'),
       b.bic, b.bcode, b.bname, b.cacc
FROM organizations o
CROSS JOIN generate_series(1, 2) AS k
JOIN (VALUES (0, '044705615', '8627', 'Северо-Западный банк ПАО Сбербанк', '30101810300000000615'),
             (1, '044030707', '2705', 'Филиал "Северный" Банка ВТБ (ПАО)', '30101810400000000707'),
             (2, '044030910', '3349', 'АО "Россельхозбанк", Северный филиал', '30101810900000000910'),
             (3, '044030786', '1326', 'Филиал АО "Альфа-Банк" в г. Северогорске', '30101810600000000786'))
     AS b (n, bic, bcode, bname, cacc) ON b.n = (o.orgid + k) % 4
WHERE k = 1 OR o.orgid % 3 = 0;

INSERT INTO ctp (ctpid, ctpname) VALUES
    (1, 'ЦТП-1 (Ленина ул., 15)'),
    (2, 'ЦТП-2 (Мира пр-кт, 7)'),
    (3, 'ЦТП-3 (Горького ул., 3)'),
    (4, 'ЦТП-4 (Заводская ул., 11)'),
    (5, 'ЦТП-5 (пос. Заречный, Лесная ул., 1)');

------------------------------------------------------------------------------
-- Device model, devices, channels, attributes
------------------------------------------------------------------------------

INSERT INTO devcategories (devcatid, tblname) VALUES
    ('TSRV', 'arch_tsrv'),
    ('SPT961', 'arch_spt961'),
    ('VKT7', NULL),
    ('TARMIN', 'arch_tarmin'),
    ('MERC230', 'arch_merc230'),
    ('CE301', NULL);

INSERT INTO devtypes (devtypeid, devclassid, devcatid, typename, checkinterval) VALUES
    (1, 1, 'TSRV', 'Взлет ТСРВ-024', 48),
    (2, 1, 'TSRV', 'Взлет ТСРВ-024М', 48),
    (3, 1, 'SPT961', 'Логика СПТ961', 48),
    (4, 1, 'VKT7', 'Теплоком ВКТ-7', 48),
    (5, 1, 'TARMIN', 'Тармин УСПД (концентратор)', 72),
    (6, 2, 'MERC230', 'Меркурий 230 ART-01', 120),
    (7, 2, 'MERC230', 'Меркурий 230 ART-03', 120),
    (8, 2, 'CE301', 'Энергомера СЕ301', 120);

INSERT INTO systems (systemid, systemname, systemabbr) VALUES
    (1, 'Отопление', 'ОТ'),
    (2, 'Горячее водоснабжение', 'ГВС'),
    (3, 'Холодное водоснабжение', 'ХВС'),
    (4, 'Вентиляция', 'ВЕНТ'),
    (5, 'Подпитка', 'ПОДП'),
    (6, 'Технологический пар', 'ПАР');

INSERT INTO rectypes (rectypeid, timeintname) VALUES
    (1, 'Часовые'),
    (2, 'Суточные'),
    (3, 'Месячные');

INSERT INTO attrdef (attrid, attrname, attrdescr) VALUES
    ('IPAD', 'IP адрес опросчика', 'IP адрес компьютера, который опрашивает прибор'),
    ('ADDR', 'Подключение прибора', 'Канал связи между опросчиком и прибором'),
    ('DVAD', 'Сет. адрес прибора', 'Сетевой адрес прибора на линии связи'),
    ('PHON', 'Телефон модема', 'Номер SIM-карты GSM-модема прибора'),
    ('PSWD', 'Пароль доступа', 'Пароль прибора для чтения данных'),
    ('VDIX', 'Индекс ВП', 'Номер канала измерения в приборе'),
    ('CTYP', 'Схема измерения', 'Схема подключения канала измерения'),
    ('SYST', 'Наименование системы', 'Система, которую измеряет канал'),
    ('KTRN', 'Коэфф. трансформации', 'Коэффициент трансформации тока');

-- fam: family of the device, i: its number within the family, k: the number
-- of the metering object it serves (heat computers) or of its building.
CREATE TEMP TABLE demo_dev AS
SELECT 'TSRV' AS fam, i, CASE WHEN i % 2 = 1 THEN 1 ELSE 2 END AS devtypeid,
       CAST(2401530 + i * 17 AS text) AS sernum, i AS k, 2 AS nch
FROM generate_series(1, 22) AS i
UNION ALL SELECT 'SPT', i, 3, CAST(11250 + i * 41 AS text), 22 + i, 3 FROM generate_series(1, 10) AS i
UNION ALL SELECT 'VKT', i, 4, CAST(70340 + i * 29 AS text), 32 + i, 2 FROM generate_series(1, 6) AS i
UNION ALL SELECT 'TARM', i, 5, (ARRAY['1201', '1202', '5533'])[i], (ARRAY[1, 2, 39])[i],
                 (ARRAY[32, 32, 16])[i] FROM generate_series(1, 3) AS i
UNION ALL SELECT 'MERC', i, 6 + (i + 1) % 2, CAST(20713456 + i * 1031 AS text), 100 + 3 * i, 1
          FROM generate_series(1, 14) AS i
UNION ALL SELECT 'CE', i, 8, CAST(1090870 + i * 77 AS text), 160 + 5 * i, 1 FROM generate_series(1, 6) AS i;
ALTER TABLE demo_dev ADD COLUMN devid text;
UPDATE demo_dev SET devid = fam || '_' || sernum;

-- Building of the metering object k (heat computers, concentrators).
CREATE TEMP TABLE demo_obj AS
SELECT k, CASE WHEN k = 39 THEN 3 ELSE 1 + (k - 1) * 7 END AS bldid
FROM generate_series(1, 39) AS k;

INSERT INTO devices (devid, devtypeid, sernum, version, description, ownerid, installerid,
                     serviceid, instbldid, installdate, servicebegindate, workbegindate,
                     lastcheckdate)
SELECT d.devid, d.devtypeid, d.sernum,
       CASE d.fam WHEN 'TSRV' THEN '3.12' WHEN 'SPT' THEN '2.1.4' WHEN 'VKT' THEN '1.7'
                  WHEN 'TARM' THEN '4.02' ELSE '7.2' END,
       CASE WHEN d.i % 5 = 0 THEN 'Поверка по графику' END,
       CASE WHEN d.fam IN ('MERC', 'CE') THEN 10 + d.i % 8 ELSE 6 + d.k % 11 END,
       CASE WHEN d.fam IN ('MERC', 'CE') THEN 5 ELSE 4 END,
       CASE WHEN d.fam IN ('MERC', 'CE') THEN 18 WHEN d.i % 3 = 0 THEN 19 ELSE 4 END,
       coalesce(o.bldid, d.k),
       t.inst, t.inst + interval '14 days', t.inst + interval '1 month',
       CASE WHEN d.i % 7 <> 0 THEN t.inst + interval '4 years' END
FROM demo_dev d
LEFT JOIN demo_obj o ON o.k = d.k AND d.fam IN ('TSRV', 'SPT', 'VKT', 'TARM')
CROSS JOIN LATERAL (SELECT timestamp '2014-09-01' + (d.i * 97 + length(d.fam) * 211) % 2400
                           * interval '1 day' AS inst) t;

-- Channels: heat computers one per measured system, electricity meters one,
-- concentrators one per input (TARM_VD<input - 1>_<concentrator>).
CREATE TEMP TABLE demo_vdev AS
SELECT d.devid, d.fam, d.i, d.k, c,
       CASE WHEN d.fam = 'TARM' THEN 'TARM_VD' || (c - 1) || '_' || d.sernum
            ELSE d.devid || '_' || c END AS vdevid,
       CASE d.fam WHEN 'TSRV' THEN (ARRAY[1, 2])[c]
                  WHEN 'SPT' THEN (ARRAY[1, 2, 3])[c]
                  WHEN 'VKT' THEN (ARRAY[1, 3])[c] END AS systemid
FROM demo_dev d CROSS JOIN LATERAL generate_series(1, d.nch) AS c;

INSERT INTO vdevices (vdevid, devid) SELECT vdevid, devid FROM demo_vdev ORDER BY vdevid;

INSERT INTO attrval (devid, attrid, val)
SELECT devid, 'IPAD', '10.20.' || (1 + i % 3) || '.' || (10 + i) FROM demo_dev
UNION ALL
SELECT devid, 'ADDR', CASE WHEN fam = 'TARM' THEN 'Ethernet, порт 4001'
                           WHEN fam IN ('MERC', 'CE') THEN 'RS-485, преобразователь MOXA NPort 5150'
                           WHEN i % 2 = 0 THEN 'GSM-модем (CSD)' ELSE 'Ethernet, порт 4001' END
FROM demo_dev
UNION ALL
SELECT devid, 'DVAD', CAST(CASE WHEN fam IN ('MERC', 'CE') THEN 10 + i ELSE 1 END AS text)
FROM demo_dev
UNION ALL
SELECT devid, 'PHON', '+7 921 5' || lpad(CAST(i * 3571 % 1000000 AS text), 6, '0')
FROM demo_dev WHERE fam IN ('TSRV', 'SPT', 'VKT') AND i % 2 = 0
UNION ALL
SELECT devid, 'PSWD', '111111' FROM demo_dev WHERE fam = 'MERC'
UNION ALL
SELECT vdevid, 'VDIX', CAST(CASE WHEN fam = 'TARM' THEN c - 1 ELSE c END AS text) FROM demo_vdev
UNION ALL
SELECT vdevid, 'CTYP',
       CASE WHEN fam = 'TARM' THEN 'Импульсный вход'
            WHEN fam IN ('MERC', 'CE') AND i % 3 = 0 THEN 'Трансформаторное включение'
            WHEN fam IN ('MERC', 'CE') THEN 'Прямое включение'
            WHEN systemid = 1 THEN 'Закрытая система'
            WHEN systemid = 2 THEN 'ГВС с циркуляцией'
            ELSE 'Водосчетчик' END
FROM demo_vdev
UNION ALL
SELECT vdevid, 'SYST',
       CASE WHEN fam = 'TARM' THEN 'Квартирный водосчетчик'
            WHEN fam IN ('MERC', 'CE') THEN 'Электроэнергия'
            ELSE (SELECT systemname FROM systems s WHERE s.systemid = v.systemid) END
FROM demo_vdev v
UNION ALL
SELECT vdevid, 'KTRN', '40' FROM demo_vdev WHERE fam IN ('MERC', 'CE') AND i % 3 = 0;

-- Measured parameters; quantid 3 (water) is what water inputs refer to.
INSERT INTO devparams (paramid, paramname, description, devcatid, quantid, fname, finame) VALUES
    (101, 'T1', 'Температура в подающем трубопроводе, °C', 'TSRV', 2, 't1', NULL),
    (102, 'T2', 'Температура в обратном трубопроводе, °C', 'TSRV', 2, 't2', NULL),
    (103, 'P1', 'Давление в подающем трубопроводе, МПа', 'TSRV', 4, 'p1', NULL),
    (104, 'P2', 'Давление в обратном трубопроводе, МПа', 'TSRV', 4, 'p2', NULL),
    (105, 'V1', 'Объем воды в подающем трубопроводе, м3', 'TSRV', 3, 'v1', 'v1i'),
    (106, 'V2', 'Объем воды в обратном трубопроводе, м3', 'TSRV', 3, 'v2', 'v2i'),
    (107, 'Q', 'Тепловая энергия, Гкал', 'TSRV', 1, 'q', 'qi'),
    (108, 'Тнар', 'Время наработки, ч', 'TSRV', 6, 'tw', 'twi'),
    (201, 'T1', 'Температура в подающем трубопроводе, °C', 'SPT961', 2, 't1', NULL),
    (202, 'T2', 'Температура в обратном трубопроводе, °C', 'SPT961', 2, 't2', NULL),
    (203, 'T3', 'Температура холодной воды, °C', 'SPT961', 2, 't3', NULL),
    (204, 'P1', 'Давление в подающем трубопроводе, МПа', 'SPT961', 4, 'p1', NULL),
    (205, 'P2', 'Давление в обратном трубопроводе, МПа', 'SPT961', 4, 'p2', NULL),
    (206, 'V1', 'Объем воды в подающем трубопроводе, м3', 'SPT961', 3, 'v1', 'v1i'),
    (207, 'V2', 'Объем воды в обратном трубопроводе, м3', 'SPT961', 3, 'v2', 'v2i'),
    (208, 'V3', 'Объем холодной воды, м3', 'SPT961', 3, 'v3', 'v3i'),
    (209, 'Q', 'Тепловая энергия, Гкал', 'SPT961', 1, 'q', 'qi'),
    (301, 'V', 'Объем воды, м3', 'TARMIN', 3, 'v', 'vi'),
    (302, 'Ош.', 'Код ошибки счетчика', 'TARMIN', 7, 'err', NULL),
    (401, 'A+', 'Активная энергия, прием, кВт*ч', 'MERC230', 5, 'ap', 'api'),
    (402, 'A-', 'Активная энергия, отдача, кВт*ч', 'MERC230', 5, 'am', 'ami'),
    (403, 'R+', 'Реактивная энергия, прием, квар*ч', 'MERC230', 5, 'rp', 'rpi'),
    (404, 'R-', 'Реактивная энергия, отдача, квар*ч', 'MERC230', 5, 'rm', 'rmi'),
    (405, 'Pmax', 'Максимальная мощность, кВт', 'MERC230', 5, 'pmax', NULL);

------------------------------------------------------------------------------
-- Heat and water metering: 39 objects, their units and channels
------------------------------------------------------------------------------

INSERT INTO hwunittypes (utypeid, utypename, utypeabbr) VALUES
    (1, 'Индивидуальный тепловой пункт', 'ИТП'),
    (2, 'Узел учета тепловой энергии', 'УУТЭ'),
    (3, 'Узел учета холодной воды', 'УУХВ'),
    (4, 'Квартира', 'КВ'),
    (5, 'Нежилое помещение', 'НП');

INSERT INTO hwobjects (objid, bldid, objname)
SELECT k, bldid,
       CASE WHEN k = 39 THEN 'Жилой дом (новостройка)'
            WHEN k <= 2 THEN 'Жилой дом, поквартирный учет'
            ELSE (ARRAY['Жилой дом', 'Жилой дом', 'Школа', 'Детский сад', 'Поликлиника',
                        'Административное здание', 'Магазин'])[1 + k % 7] END
FROM demo_obj;

-- Units: one ITP per TSRV/SPT object, a heat unit and a cold water input per
-- VKT object (unit ids 1..44), then flats 1-4 of object 1 (45..48).
INSERT INTO hwunits (unitid, objid, utypeid, unitname)
SELECT k, k, 1, 'ИТП' FROM generate_series(1, 32) AS k
UNION ALL
SELECT 33 + 2 * (k - 33), k, 2, 'Узел учета № 1' FROM generate_series(33, 38) AS k
UNION ALL
SELECT 34 + 2 * (k - 33), k, 3, 'Ввод ХВС' FROM generate_series(33, 38) AS k
UNION ALL
SELECT 44 + f, 1, 4, CAST(f AS text) FROM generate_series(1, 4) AS f;

INSERT INTO hwunitdev (unitid, systemid, vdevid, ctpid)
SELECT CASE WHEN v.fam = 'VKT' THEN 33 + 2 * (v.k - 33) + (v.c - 1) ELSE v.k END,
       v.systemid, v.vdevid,
       CASE WHEN v.systemid IN (1, 2) AND v.k % 3 <> 0 THEN 1 + v.k % 5 END
FROM demo_vdev v
WHERE v.fam IN ('TSRV', 'SPT', 'VKT')
ORDER BY v.k, v.c;

-- Flats 1-4 of object 1: hot water on even inputs, cold water on odd ones.
INSERT INTO hwunitdev (unitid, systemid, vdevid, regdate)
SELECT 44 + f, s, 'TARM_VD' || (2 * (f - 1) + s - 2) || '_1201', date '2023-03-01'
FROM generate_series(1, 4) AS f CROSS JOIN generate_series(2, 3) AS s
ORDER BY f, s;

------------------------------------------------------------------------------
-- Water supply contracts and water inputs
------------------------------------------------------------------------------

INSERT INTO contractsw (contractid, number, cdate, supplierid, customerid) VALUES
    (1, 'В-2019/015', date '2019-01-10', 2, 6),
    (2, 'В-2019/022', date '2019-02-01', 2, 7),
    (3, 'В-2021/104', date '2021-06-15', 2, 10),
    (4, 'В-2022/007', NULL, 2, 15);

-- Inputs on the cold water channels of the SPT961 objects and on the hot
-- water channels of the first TSRV objects.
INSERT INTO watersupply (contractid, winputnum, udevid, paramid)
SELECT 1 + v.i % 4, 'Ввод ' || v.c, ud.id, CASE v.fam WHEN 'SPT' THEN 208 ELSE 105 END
FROM demo_vdev v
JOIN hwunitdev ud ON ud.vdevid = v.vdevid
WHERE (v.fam = 'SPT' AND v.c = 3 AND v.i <= 4) OR (v.fam = 'TSRV' AND v.c = 2 AND v.i <= 3)
ORDER BY v.fam, v.i;

------------------------------------------------------------------------------
-- Electricity: tariffs, contracts, abonents, meters
------------------------------------------------------------------------------

INSERT INTO tariffs (code, tarname, tartype) VALUES
    (0, 'Сумма тарифов (активная энергия)', 1),
    (1, 'Тариф 1 (дневной)', 1),
    (2, 'Тариф 2 (ночной)', 1),
    (3, 'Тариф 3 (пиковый)', 1),
    (4, 'Тариф 4 (полупиковый)', 1),
    (9, 'Реактивная энергия (сумма тарифов)', 1),
    (21, 'Тепловая энергия, население', 2),
    (22, 'Тепловая энергия, прочие потребители', 2);

-- Contracts with customers 10..16, each naming the customer's first account.
INSERT INTO contracts (contractid, number, supplierid, customerid, custbaccid, depcode, curator)
SELECT n, 'Э-' || (1000 + 17 * n), 3, 9 + n,
       (SELECT min(accid) FROM bankaccounts b WHERE b.orgid = 9 + n),
       'Участок ' || (1 + n % 3),
       (ARRAY['Петрова И.А.', 'Григорьев С.Н.', 'Белова Т.М.'])[1 + n % 3]
FROM generate_series(1, 7) AS n;

INSERT INTO abonents (abonentid, contractid, number, maxenergy)
SELECT 2 * (c - 1) + a, c, CAST(1000 + 17 * c AS text) || '-' || a,
       round(CAST(12000 + 4500 * ((c * 7 + a * 3) % 9) AS numeric), -2)
FROM generate_series(1, 7) AS c CROSS JOIN generate_series(1, 2) AS a;

-- Abonent n gets electricity channel n; abonents 1-6 a second one. Most
-- meters count total active and reactive energy, some two tariffs.
INSERT INTO abondev (abonentid, vdevid, loadtypeid, tar1, tar2, tar3, tar4)
SELECT CASE WHEN e.n <= 14 THEN e.n ELSE e.n - 14 END, e.vdevid, 1 + e.n % 2,
       CASE WHEN e.n % 4 = 0 THEN 1 ELSE 0 END,
       CASE WHEN e.n % 4 = 0 THEN 2 ELSE 9 END,
       CASE WHEN e.n % 8 = 0 THEN 0 END,
       NULL
FROM (SELECT vdevid, row_number() OVER (ORDER BY fam DESC, i) AS n
      FROM demo_vdev WHERE fam IN ('MERC', 'CE')) e;

------------------------------------------------------------------------------
-- Archives: daily records for two years, hourly for two months, monthly
-- records (heat computer 1) summed up from the daily ones. s is the season,
-- 1 in mid-January and -1 in mid-July. Integrated values are running sums
-- from a start value; the hourly ones continue the daily series.
------------------------------------------------------------------------------

CREATE TEMP TABLE demo_arch AS
SELECT v.vdevid, v.fam, v.i, v.c, v.systemid, r.rectypeid, r.dt, r.len,
       cos(2 * pi() * (extract(doy FROM r.dt) - 15) / 365.0) AS s,
       CASE WHEN r.rectypeid = 1
            THEN 1 + 0.35 * sin(2 * pi() * (extract(hour FROM r.dt) - 7) / 24.0) ELSE 1 END AS hp,
       random() - 0.5 AS n1, random() - 0.5 AS n2,
       date_trunc('second', r.dt + r.len * interval '1 day'
                            + (3 + 6 * random()) * interval '1 minute') AS ts
FROM demo_vdev v
CROSS JOIN LATERAL (
    SELECT 2 AS rectypeid, d AS dt, 1.0 AS len
    FROM generate_series(CAST(current_date - 730 AS timestamp),
                         CAST(current_date - 1 AS timestamp), interval '1 day') AS d
    WHERE (v.fam = 'TSRV' AND v.i <= 4) OR (v.fam = 'SPT' AND v.i <= 2)
       OR (v.fam = 'TARM' AND v.i = 1 AND v.c <= 8) OR (v.fam = 'MERC' AND v.i <= 3)
    UNION ALL
    SELECT 1, h, 1.0 / 24
    FROM generate_series(date_trunc('hour', localtimestamp) - interval '2 months',
                         date_trunc('hour', localtimestamp) - interval '1 hour',
                         interval '1 hour') AS h
    WHERE (v.fam = 'TSRV' AND v.i = 1) OR (v.fam = 'SPT' AND v.i = 1)
       OR (v.fam = 'TARM' AND v.i = 1 AND v.c <= 2) OR (v.fam = 'MERC' AND v.i = 1)
) r;

-- Values are stored rounded as a device reports them.
CREATE FUNCTION pg_temp.r3(double precision) RETURNS double precision
LANGUAGE sql IMMUTABLE AS 'SELECT round(CAST($1 AS numeric), 3)';

-- TSRV: channel 1 heating (off from late May to mid-September), channel 2
-- hot water.
INSERT INTO arch_tsrv (devid, rectypeid, dt, ts, t1, t2, p1, p2, v1, v1i, v2, v2i, q, qi, tw, twi)
SELECT vdevid, rectypeid, dt, ts, pg_temp.r3(t1), pg_temp.r3(t2), pg_temp.r3(p1), pg_temp.r3(p2),
       pg_temp.r3(v1), pg_temp.r3(8400 * i + sum(v1) OVER w),
       pg_temp.r3(v2), pg_temp.r3(8350 * i + sum(v2) OVER w),
       pg_temp.r3(q), pg_temp.r3(950 * i + sum(q) OVER w), tw, 41000 + sum(tw) OVER w
FROM (SELECT a.*, v1 * 0.996 AS v2, v1 * (t1 - t2) / 1000 AS q
      FROM (SELECT vdevid, rectypeid, dt, i, ts,
                   CASE WHEN c = 1 THEN 72 + 18 * s + 2 * n1 ELSE 63 + 1.5 * n1 END AS t1,
                   CASE WHEN c = 1 THEN 47 + 7 * s + 1.5 * n2 ELSE 44 + 2 * n2 END AS t2,
                   0.62 + 0.04 * n1 AS p1, 0.38 + 0.04 * n2 AS p2,
                   CASE WHEN c = 1 AND s < -0.35 THEN 0
                        WHEN c = 1 THEN len * (190 + 70 * s + 15 * n1) * (0.8 + 0.1 * i)
                        ELSE len * hp * (38 + 8 * s + 6 * n1) * (0.8 + 0.1 * i) END AS v1,
                   CASE WHEN c = 1 AND s < -0.35 THEN 0 ELSE 24 * len END AS tw
            FROM demo_arch WHERE fam = 'TSRV') a) b
WINDOW w AS (PARTITION BY vdevid, rectypeid ORDER BY dt);

-- SPT961: channel 1 heating, 2 hot water, 3 cold water.
INSERT INTO arch_spt961 (devid, rectypeid, dt, ts, t1, t2, t3, p1, p2,
                         v1, v1i, v2, v2i, v3, v3i, q, qi)
SELECT vdevid, rectypeid, dt, ts, pg_temp.r3(t1), pg_temp.r3(t2), pg_temp.r3(t3),
       pg_temp.r3(p1), pg_temp.r3(p2),
       pg_temp.r3(v1), pg_temp.r3(12000 * c + sum(v1) OVER w),
       pg_temp.r3(v2), pg_temp.r3(11900 * c + sum(v2) OVER w),
       pg_temp.r3(v3), pg_temp.r3(5300 * c + sum(v3) OVER w),
       pg_temp.r3(q), pg_temp.r3(1400 * c + sum(q) OVER w)
FROM (SELECT a.*, v1 * 0.995 AS v2, CASE WHEN c = 3 THEN len * hp * (55 + 20 * n2) END AS v3,
             CASE WHEN c = 3 THEN 0 ELSE v1 * (t1 - t2) / 1000 END AS q
      FROM (SELECT vdevid, rectypeid, dt, c, len, hp, n2, ts,
                   CASE WHEN c = 1 THEN 75 + 20 * s + 2 * n1 ELSE 62 + 2 * n1 END AS t1,
                   CASE WHEN c = 1 THEN 49 + 8 * s + 2 * n2 ELSE 45 + 2 * n2 END AS t2,
                   8 - 4 * s + n1 AS t3,
                   0.65 + 0.05 * n1 AS p1, 0.40 + 0.05 * n2 AS p2,
                   CASE WHEN c = 1 AND s < -0.35 THEN 0
                        WHEN c = 1 THEN len * (260 + 90 * s + 20 * n1)
                        WHEN c = 2 THEN len * hp * (45 + 10 * s + 8 * n1)
                        ELSE 0 END AS v1
            FROM demo_arch WHERE fam = 'SPT') a) b
WINDOW w AS (PARTITION BY vdevid, rectypeid ORDER BY dt);

-- Flat meters: even inputs hot water, odd inputs cold water; now and then
-- a meter reports error 4 (magnetic field).
INSERT INTO arch_tarmin (devid, rectypeid, dt, ts, v, vi, err)
SELECT vdevid, rectypeid, dt, ts, pg_temp.r3(v), pg_temp.r3(20 * c + 3.5 + sum(v) OVER w), err
FROM (SELECT vdevid, rectypeid, dt, c, ts,
             len * hp * (CASE WHEN c % 2 = 1 THEN 0.11 ELSE 0.17 END * (1 + 0.1 * c)
                         + 0.06 * n1) AS v,
             CASE WHEN n2 > 0.495 THEN 4 ELSE 0 END AS err
      FROM demo_arch WHERE fam = 'TARM') a
WINDOW w AS (PARTITION BY vdevid, rectypeid ORDER BY dt);

-- Mercury 230: active and reactive energy, receive and return.
INSERT INTO arch_merc230 (devid, rectypeid, dt, ts, ap, api, am, ami, rp, rpi, rm, rmi, pmax)
SELECT vdevid, rectypeid, dt, ts, pg_temp.r3(ap), pg_temp.r3(31000 * i + sum(ap) OVER w),
       pg_temp.r3(am), pg_temp.r3(sum(am) OVER w),
       pg_temp.r3(rp), pg_temp.r3(9000 * i + sum(rp) OVER w),
       pg_temp.r3(rm), pg_temp.r3(sum(rm) OVER w), pg_temp.r3(pmax)
FROM (SELECT vdevid, rectypeid, dt, i, ts,
             len * hp * (420 + 140 * s + 60 * n1) * i AS ap,
             CASE WHEN n2 > 0.45 THEN 0.1 * len ELSE 0 END AS am,
             len * hp * (120 + 40 * s + 20 * n2) * i AS rp,
             0.02 * len * i AS rm,
             (31 + 9 * s + 6 * n2) * i AS pmax
      FROM demo_arch WHERE fam = 'MERC') a
WINDOW w AS (PARTITION BY vdevid, rectypeid ORDER BY dt);

-- Hourly integrated values: the previous day's daily value plus the sum of
-- the day's hours so far (the integral column of x is xi).
CREATE FUNCTION pg_temp.hourly_integrals(tbl text, cols text[]) RETURNS void
LANGUAGE plpgsql AS $$
DECLARE c text;
BEGIN
    FOREACH c IN ARRAY cols LOOP
        EXECUTE format(
            'UPDATE %1$I h SET %3$I = pg_temp.r3(p.%3$I + r.run)
             FROM (SELECT devid, dt, sum(%2$I) OVER (PARTITION BY devid, date_trunc(''day'', dt)
                                                     ORDER BY dt) AS run
                   FROM %1$I WHERE rectypeid = 1) r, %1$I p
             WHERE h.rectypeid = 1 AND r.devid = h.devid AND r.dt = h.dt
               AND p.devid = h.devid AND p.rectypeid = 2
               AND p.dt = date_trunc(''day'', h.dt) - interval ''1 day''',
            tbl, c, c || 'i');
    END LOOP;
END $$;
ANALYZE arch_tsrv, arch_spt961, arch_tarmin, arch_merc230;
SELECT pg_temp.hourly_integrals('arch_tsrv', ARRAY['v1', 'v2', 'q', 'tw']);
SELECT pg_temp.hourly_integrals('arch_spt961', ARRAY['v1', 'v2', 'v3', 'q']);
SELECT pg_temp.hourly_integrals('arch_tarmin', ARRAY['v']);
SELECT pg_temp.hourly_integrals('arch_merc230', ARRAY['ap', 'am', 'rp', 'rm']);

-- Monthly records of heat computer 1 for the whole months in the archive.
INSERT INTO arch_tsrv (devid, rectypeid, dt, ts, t1, t2, p1, p2, v1, v1i, v2, v2i, q, qi, tw, twi)
SELECT devid, 3, date_trunc('month', dt), max(ts),
       pg_temp.r3(avg(t1)), pg_temp.r3(avg(t2)), pg_temp.r3(avg(p1)), pg_temp.r3(avg(p2)),
       pg_temp.r3(sum(v1)), max(v1i), pg_temp.r3(sum(v2)), max(v2i),
       pg_temp.r3(sum(q)), max(qi), sum(tw), max(twi)
FROM arch_tsrv
WHERE rectypeid = 2 AND devid IN ('TSRV_2401547_1', 'TSRV_2401547_2')
GROUP BY devid, date_trunc('month', dt)
HAVING count(*) = extract(day FROM date_trunc('month', min(dt)) + interval '1 month - 1 day');

------------------------------------------------------------------------------
-- Sequences past the explicit keys
------------------------------------------------------------------------------

SELECT setval('areas_areaid_seq', (SELECT max(areaid) FROM areas));
SELECT setval('buildings_buildingid_seq', (SELECT max(buildingid) FROM buildings));
SELECT setval('organizations_orgid_seq', (SELECT max(orgid) FROM organizations));
SELECT setval('bankaccounts_accid_seq', (SELECT max(accid) FROM bankaccounts));
SELECT setval('ctp_ctpid_seq', (SELECT max(ctpid) FROM ctp));
SELECT setval('hwobjects_objid_seq', (SELECT max(objid) FROM hwobjects));
SELECT setval('hwunits_unitid_seq', (SELECT max(unitid) FROM hwunits));
SELECT setval('contractsw_contractid_seq', (SELECT max(contractid) FROM contractsw));
SELECT setval('contracts_contractid_seq', (SELECT max(contractid) FROM contracts));
SELECT setval('abonents_abonentid_seq', (SELECT max(abonentid) FROM abonents));

DROP TABLE demo_street, demo_dev, demo_obj, demo_vdev, demo_arch;

COMMIT;

ANALYZE addrunits, buildings, devices, vdevices, attrval, hwunits, hwunitdev,
        arch_tsrv, arch_spt961, arch_tarmin, arch_merc230;
