// Writes the building address file of the import benchmark from the records
// on standard input, as psql's COPY ... TO STDOUT writes them (tab-separated
// UTF-8, \N for null): street code, house, korpus, stroenie, status, city
// district code per line.
//     bench_citydbf <file.dbf> < records
// A dBase table in code page 866 without a declared code page, as the
// address files come, with the fields of str_doma.
#include <shapefil.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// UTF-8 to code page 866; only ASCII and the Russian alphabet occur here.
std::string toCp866(std::string_view utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80 || i + 1 >= utf8.size()) {
            out += static_cast<char>(c);
            continue;
        }
        const unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
        if (cp >= 0x410 && cp <= 0x43F)
            out += static_cast<char>(0x80 + (cp - 0x410)); // А..Я, а..п
        else if (cp >= 0x440 && cp <= 0x44F)
            out += static_cast<char>(0xE0 + (cp - 0x440)); // р..я
        else if (cp == 0x401)
            out += static_cast<char>(0xF0); // Ё
        else if (cp == 0x451)
            out += static_cast<char>(0xF1); // ё
        else
            out += '?';
    }
    return out;
}

std::vector<std::string> splitTabs(const std::string &line)
{
    std::vector<std::string> cells;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos)
            return cells;
        start = tab + 1;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.dbf < records\n", argv[0]);
        return 2;
    }
    DBFHandle dbf = DBFCreateEx(argv[1], nullptr);
    if (!dbf) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const struct {
        const char *name;
        int width;
    } fields[] = {{"KOD_UL", 10}, {"DOM", 10}, {"KORP", 5},
                  {"STROEN", 5},  {"GIL", 3},  {"KOD_TE", 4}};
    bool ok = true;
    for (const auto &f : fields)
        ok = ok && DBFAddField(dbf, f.name, FTString, f.width, 0) >= 0;

    int row = 0;
    std::string line;
    while (ok && std::getline(std::cin, line)) {
        const std::vector<std::string> cells = splitTabs(line);
        if (cells.size() != 6) {
            std::fprintf(stderr, "line %d: %zu fields instead of 6\n", row + 1, cells.size());
            ok = false;
            break;
        }
        for (int f = 0; ok && f < 6; ++f)
            ok = cells[f] == "\\N" || cells[f].empty()
                ? DBFWriteNULLAttribute(dbf, row, f)
                : DBFWriteStringAttribute(dbf, row, f, toCp866(cells[f]).c_str());
        ++row;
    }
    DBFClose(dbf);
    if (!ok) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
