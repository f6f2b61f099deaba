// Writes the building address file that the demo offers for import:
//     kestrum_demodbf <file.dbf>
// A dBase table in code page 866, without a declared code page (as the
// address files come), with the fields of
// the staging table str_doma: KOD_UL street code, DOM house, KORP korpus,
// STROEN stroenie, GIL status, KOD_TE city district code.
//
// It describes the streets of db/demo.sql: 150 buildings that the demo
// database knows already (every tenth with a changed status), then 100 new
// ones (even house numbers 2..10 on the first 20 streets), 250 records in all.
#include <shapefil.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

// City district of each demo street 1..40; empty for the settlements' streets.
const char *const StreetDistrict[40] = {
    "0101", "0101", "0102", "0102", "0101", "0102", "0102", "0101", "0201", "0201",
    "0202", "0202", "0301", "0302", "0202", "0201", "0101", "0201", "0301", "0101",
    "0301", "0302", "0302", "0301", "0202", "0102", "0102", "0101", "0201", "0101",
    "0101", "0202", "0301", "0202", "",     "",     "",     "",     "",     ""};

// UTF-8 to code page 866; only ASCII and the Russian alphabet occur here.
std::string ToCp866(std::string_view utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80 || i + 1 >= utf8.size()) {
            out += static_cast<char>(c);
            continue;
        }
        unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
        if (cp >= 0x410 && cp <= 0x43F)
            out += static_cast<char>(0x80 + (cp - 0x410));   // А..Я, а..п
        else if (cp >= 0x440 && cp <= 0x44F)
            out += static_cast<char>(0xE0 + (cp - 0x440));   // р..я
        else if (cp == 0x401)
            out += static_cast<char>(0xF0);                  // Ё
        else if (cp == 0x451)
            out += static_cast<char>(0xF1);                  // ё
        else
            out += '?';
    }
    return out;
}

struct Writer {
    DBFHandle dbf;
    int row = 0;

    bool Add(int street, const std::string &dom, const std::string &korp,
             const std::string &stroen, const char *gil)
    {
        const std::string ul = std::to_string(10000 + street);
        const std::string fields[6] = {ul, dom, korp, stroen, ToCp866(gil),
                                       StreetDistrict[street - 1]};
        for (int f = 0; f < 6; ++f) {
            bool ok = fields[f].empty()
                ? DBFWriteNULLAttribute(dbf, row, f)
                : DBFWriteStringAttribute(dbf, row, f, fields[f].c_str());
            if (!ok)
                return false;
        }
        ++row;
        return true;
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.dbf\n", argv[0]);
        return 2;
    }
    DBFHandle dbf = DBFCreateEx(argv[1], nullptr);
    if (!dbf) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = DBFAddField(dbf, "KOD_UL", FTString, 10, 0) >= 0
           && DBFAddField(dbf, "DOM", FTString, 10, 0) >= 0
           && DBFAddField(dbf, "KORP", FTString, 5, 0) >= 0
           && DBFAddField(dbf, "STROEN", FTString, 5, 0) >= 0
           && DBFAddField(dbf, "GIL", FTString, 3, 0) >= 0
           && DBFAddField(dbf, "KOD_TE", FTString, 4, 0) >= 0;

    Writer w{dbf};
    // Known buildings, numbered as db/demo.sql numbers them.
    for (int street = 1; ok && street <= 40 && w.row < 150; ++street) {
        const int houses = street <= 20 ? 9 : 6;
        for (int h = 1; ok && h <= houses && w.row < 150; ++h) {
            std::string dom = std::to_string(2 * h - 1) + (h == 8 ? ToCp866("а") : "");
            std::string korp = h % 3 == 0 ? std::to_string((h / 3) % 2 + 1) : "";
            std::string stroen = h == 7 ? "2" : "";
            bool nonResidential = (street + h) % 7 == 0;
            if ((w.row + 1) % 10 == 0)
                nonResidential = !nonResidential;
            ok = w.Add(street, dom, korp, stroen, nonResidential ? "Н/Ж" : "ЖИЛ");
        }
    }
    // New buildings: the even side of the first 20 streets.
    for (int street = 1; ok && street <= 20; ++street)
        for (int n = 2; ok && n <= 10; n += 2)
            ok = w.Add(street, std::to_string(n), "", "", n == 10 ? "Н/Ж" : "ЖИЛ");

    DBFClose(dbf);
    if (!ok) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
