// TMYIniFile over any file: loading takes every line, and what an object
// holds is what it writes: the written file loads back into the same lines,
// so a value written reads back and nothing else changes. Only characters
// that Windows-1251 lacks may be lost (they are written as "?"), and a line
// written longer than the read buffer comes back in pieces (as UTF-8 it may
// take more bytes than it took when read).
#include "fuzzing.h"

#include "base/myinifile.h"
#include "base/textcodec.h"

namespace {

const QString FuzzSection = QStringLiteral("FuzzSection");
const QString FuzzKey = QStringLiteral("FuzzKey");
constexpr int FuzzValue = 12345;

bool withinBuffer(const QByteArray &file)
{
    for (const QByteArray &line : file.split('\n'))
        if (line.size() > qsizetype(TMYIniFile::LineBufferSize)) // with its CR
            return false;
    return true;
}

bool encodable(const QStringList &lines)
{
    for (const QString &line : lines) {
        bool complete = true;
        TextCodec::EncodeWin1251(line, &complete);
        if (!complete)
            return false;
    }
    return true;
}

// Rewrites the first entry of the file that a search finds where it is with
// its own text: the line must come out as it was.
void rewriteFirstEntry(TMYIniFile &ini)
{
    const QStringList lines = ini.Lines();
    QString section;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i];
        if (line.startsWith(QLatin1Char('['))) {
            section = line.mid(1);
            continue;
        }
        const qsizetype sign = line.indexOf(QLatin1Char('='));
        if (section.isEmpty() || sign < 0)
            continue;
        const QString key = line.left(sign);
        if (ini.FindLine(section, key) != i)
            continue;
        ini.WriteString(section, key, line.mid(sign + 1));
        FUZZ_CHECK(ini.Lines() == lines);
        return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = Fuzz::ScratchPath(QStringLiteral("fuzz.ini"));
    Fuzz::WriteFile(path, Fuzz::Bytes(data, size));

    QStringList written;
    {
        TMYIniFile ini(path, false, false);
        FUZZ_CHECK(!ini.OpenFailed());
        rewriteFirstEntry(ini);
        ini.WriteInteger(FuzzSection, FuzzKey, FuzzValue);
        FUZZ_CHECK(ini.ReadInteger(FuzzSection, FuzzKey, -1) == FuzzValue);
        written = ini.Lines();
    } // written here

    const bool whole = withinBuffer(Fuzz::ReadFile(path));
    TMYIniFile reread(path, false, true);
    if (whole)
        FUZZ_CHECK(reread.Lines().size() == written.size());
    if (whole && encodable(written))
        FUZZ_CHECK(reread.Lines() == written);
    FUZZ_CHECK(reread.ReadInteger(FuzzSection, FuzzKey, -1) == FuzzValue);
    return 0;
}
