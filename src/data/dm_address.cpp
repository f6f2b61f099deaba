// Address reference: administrative districts, city districts, settlements,
// streets and buildings.
#include "data/dmfrm.h"

#include "data/dberrors.h"

using FT = FieldType;

namespace {

// A LIKE pattern that matches the text itself and nothing else: the
// wildcards and the escape character of the text are escaped.
QString literalPattern(const QString &text)
{
    QString p;
    p.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            p += QLatin1Char('\\');
        p += c;
    }
    return p;
}

} // namespace

void TDM::createAddressDataSets()
{
    // An address unit gets its type when it is created; its code is typed by
    // the operator and must not be empty. The same code may name a unit of
    // each type, so a unit is written and deleted by its type and code.
    const auto unitRules = [this](TDataSet *ds, const char *utype, const QString &noCode) {
        const QString type = QString::fromLatin1(utype);
        ds->SetKeyField(QStringLiteral("utype;unitid"));
        ds->OnNewRecord.push_back(
            [type](TDataSet &d) { d.SetFieldValue(QStringLiteral("utype"), type); });
        ds->BeforePost.push_back([this, noCode](TDataSet &d) {
            if (d.FieldValue(QStringLiteral("unitid")).toString().isEmpty()) {
                warn(noCode);
                throw EAbort();
            }
        });
    };

    qryAdmDistricts = newDataSet("qryAdmDistricts",
                                 {"SELECT utype, unitid, unitname", "FROM addrunits",
                                  "WHERE utype = 'AO'", "ORDER BY unitid"});
    qryAdmDistricts->AddField("utype", FT::String, 2);
    qryAdmDistricts->AddField("unitid", FT::String, 255);
    qryAdmDistricts->AddField("unitname", FT::String, 255);
    dsAdmDistricts = newDataSource(qryAdmDistricts);
    addLoadingStatus(qryAdmDistricts);
    bindRecordRules(qryAdmDistricts, "unitid", "", "Удалить административный округ?");
    unitRules(qryAdmDistricts, "AO", QStringLiteral("Не задан код административного округа!"));

    qryDistricts = newDataSet("qryDistricts",
                              {"SELECT utype, unitid, unitname, parentid", "FROM addrunits",
                               "WHERE utype = 'TE'", "ORDER BY unitid"});
    qryDistricts->AddField("utype", FT::String, 2);
    qryDistricts->AddField("unitid", FT::String, 255);
    qryDistricts->AddField("unitname", FT::String, 255);
    qryDistricts->AddField("parentid", FT::String, 255);
    qryDistricts->AddLookupField("parentname", FT::String, 255, "parentid", qryAdmDistricts,
                                 "unitid", "unitname");
    dsDistricts = newDataSource(qryDistricts);
    addLoadingStatus(qryDistricts);
    bindRecordRules(qryDistricts, "unitid", "", "Удалить район?");
    unitRules(qryDistricts, "TE", QStringLiteral("Не задан код района!"));

    qryAreas = newDataSet("qryAreas",
                          {"SELECT areaid, areaname", "FROM areas", "ORDER BY areaname, areaid"});
    qryAreas->AddField("areaid", FT::Integer);
    qryAreas->AddField("areaname", FT::String, 255);
    dsAreas = newDataSource(qryAreas);
    addLoadingStatus(qryAreas);
    bindRecordRules(qryAreas, "areaid", "areas_areaid_seq", "Удалить населенный пункт?");

    qryStreets =
        newDataSet("qryStreets",
                   {"SELECT utype, unitid, unitnameid, unitname, areaid", "FROM addrunits",
                    "WHERE utype = 'UL' AND unitname ILIKE :pat", "ORDER BY unitname, unitid"});
    qryStreets->AddParam("pat", FT::String);
    qryStreets->AddField("utype", FT::String, 2);
    qryStreets->AddField("unitid", FT::String, 255);
    qryStreets->AddField("unitnameid", FT::String, 255);
    qryStreets->AddField("unitname", FT::String, 255);
    qryStreets->AddField("areaid", FT::Integer);
    qryStreets->AddLookupField("areaname", FT::String, 255, "areaid", qryAreas, "areaid",
                               "areaname");
    dsStreets = newDataSource(qryStreets);
    addLoadingStatus(qryStreets);
    bindRecordRules(qryStreets, "unitid", "", "Удалить улицу?");
    unitRules(qryStreets, "UL", QStringLiteral("Не задан код улицы!"));
    // After a post the street search becomes the posted name, so that the list
    // shows the streets of that name with the posted one current. This runs
    // before the re-run and relocation of the record rules. The name is
    // matched literally: a backslash, "%" or "_" in it is no wildcard here,
    // and a trailing backslash cannot make the pattern invalid.
    qryStreets->AfterPost.insert(qryStreets->AfterPost.begin(), [this](TDataSet &d) {
        const QString name = d.FieldValue(QStringLiteral("unitname")).toString();
        emit StreetPatternChanged(name);
        d.SetParamValue(QStringLiteral("pat"), literalPattern(name));
    });

    qryStreets1 = newDataSet(
        "qryStreets1",
        {"SELECT unitid, unitname", "FROM addrunits", "WHERE utype = 'UL' AND unitid = :unitid"});
    qryStreets1->AddParam("unitid", FT::String);
    qryStreets1->AddField("unitid", FT::String, 255);
    qryStreets1->AddField("unitname", FT::String, 255);
    qryStreets1->SetMaster(dsStreets);
    qryStreets1->SetReadOnly(true);

    qryBuildings = newDataSet(
        "qryBuildings",
        {"SELECT buildingid, ulid, dom, korp, stroen, gil, teid, get_address(buildingid) AS addr",
         "FROM buildings b", "WHERE ulid = :unitid",
         "ORDER BY get_number(dom), dom, get_number(korp), korp, get_number(stroen), stroen"});
    qryBuildings->AddParam("unitid", FT::String);
    qryBuildings->AddField("buildingid", FT::Integer);
    qryBuildings->AddField("ulid", FT::String, 255);
    qryBuildings->AddLookupField("ulname", FT::String, 255, "ulid", qryStreets1, "unitid",
                                 "unitname");
    for (const char *f : {"dom", "korp", "stroen", "gil", "teid"})
        qryBuildings->AddField(f, FT::String, 255);
    qryBuildings->AddLookupField("tename", FT::String, 255, "teid", qryDistricts, "unitid",
                                 "unitname");
    qryBuildings->AddField("addr", FT::String, 255).readOnly = true;
    qryBuildings->SetMaster(dsStreets);
    dsBuildings = newDataSource(qryBuildings);
    addLoadingStatus(qryBuildings);
    bindRecordRules(qryBuildings, "buildingid", "buildings_buildingid_seq", "Удалить строение?");
    // a new building stands on the current street
    qryBuildings->OnNewRecord.push_back([this](TDataSet &d) {
        if (qryStreets->Active() && !qryStreets->IsEmpty())
            d.SetFieldValue(QStringLiteral("ulid"),
                            qryStreets->FieldValue(QStringLiteral("unitid")));
    });
}
