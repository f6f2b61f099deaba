// A dBase file of building addresses as the import reads it, whatever the
// file holds: it is opened and read record by record, or refused with a
// message (EError); every value read has the type of its field.
#include "fuzzing.h"

#include "base/errors.h"
#include "data/dbftable.h"

#include <QDate>

namespace {

QMetaType typeOf(FieldType type)
{
    switch (type) {
    case FieldType::String:
        return QMetaType::fromType<QString>();
    case FieldType::LargeInt:
        return QMetaType::fromType<qlonglong>();
    case FieldType::Float:
        return QMetaType::fromType<double>();
    case FieldType::Date:
        return QMetaType::fromType<QDate>();
    case FieldType::Boolean:
        return QMetaType::fromType<bool>();
    default:
        break;
    }
    Fuzz::Fail("a field of a type the table reads", __FILE__, __LINE__);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = Fuzz::ScratchPath(QStringLiteral("fuzz.dbf"));
    Fuzz::WriteFile(path, Fuzz::Bytes(data, size));

    TDbfTable table;
    try {
        table.Open(path);
    } catch (const EError &e) {
        FUZZ_CHECK(!e.message().isEmpty());
        FUZZ_CHECK(!table.IsOpen());
        return 0;
    }
    FUZZ_CHECK(!table.Fields().isEmpty());
    FUZZ_CHECK(table.RecordCount() >= 0);
    QVector<QVariant> values;
    for (int record = 0; record < table.RecordCount(); ++record) {
        try {
            if (table.IsDeleted(record))
                continue;
            table.ReadRecord(record, values);
        } catch (const EError &e) {
            FUZZ_CHECK(!e.message().isEmpty());
            continue;
        }
        FUZZ_CHECK(values.size() == table.Fields().size());
        for (int f = 0; f < values.size(); ++f) {
            const QVariant &v = values[f];
            FUZZ_CHECK(v.isNull() || v.metaType() == typeOf(table.Fields()[f].type));
        }
    }
    return 0;
}
