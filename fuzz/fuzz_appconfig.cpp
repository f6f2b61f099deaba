// The settings file "Kestrum.ini" as any file may hold it: the settings read
// from it, saved and read again, are the same settings.
#include "fuzzing.h"

#include "app/appconfig.h"
#include "base/errors.h"

namespace {

bool sameSettings(const TAppConfig &a, const TAppConfig &b)
{
    return a.DBServer == b.DBServer && a.DBName == b.DBName && a.DBUserName == b.DBUserName &&
        a.DBPassword == b.DBPassword && a.DBAutoConnect == b.DBAutoConnect &&
        a.DBFFilePath == b.DBFFilePath && a.ActivePageIndex == b.ActivePageIndex;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = Fuzz::ScratchPath(QStringLiteral("Kestrum.ini"));
    Fuzz::WriteFile(path, Fuzz::Bytes(data, size));

    TAppConfig read(path);
    read.Load();
    try {
        read.Save();
    } catch (const EError &) {
        Fuzz::Fail("the settings can be saved", __FILE__, __LINE__);
    }
    TAppConfig reread(path);
    reread.Load();
    FUZZ_CHECK(sameSettings(read, reread));

    // and saving the same settings again changes nothing
    const QByteArray saved = Fuzz::ReadFile(path);
    reread.Save();
    FUZZ_CHECK(Fuzz::ReadFile(path) == saved);
    return 0;
}
