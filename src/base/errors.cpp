#include "base/errors.h"

QString ErrorMessage(const std::exception &e)
{
    if (auto *db = dynamic_cast<const EError *>(&e))
        return db->message();
    return QString::fromUtf8(e.what());
}
