// The flat register's table loader over any file or clipboard text: the
// table it makes is rectangular and at least 2 x 2, and a table that can be
// saved loads back from its file as it was, but for the status column,
// which comes back empty (or not at all when it is the last column).
#include "fuzzing.h"

#include "base/textcodec.h"
#include "flatreg/flattable.h"
#include "flatreg/textfiles.h"

namespace {

void checkShape(const TFlatTable &table)
{
    FUZZ_CHECK(table.ColumnCount() >= TFlatTable::MinColumns);
    FUZZ_CHECK(table.ColumnCount() <= TFlatTable::MaxColumns);
    FUZZ_CHECK(table.RowCount() >= TFlatTable::MinRows);
    FUZZ_CHECK(table.RowCount() <= TFlatTable::MaxRows + 1);
    for (int r = 0; r < table.RowCount(); ++r)
        FUZZ_CHECK(table.Row(r).size() == table.ColumnCount());
}

// the status column of the window's table
constexpr int StatusColumn = 7;

void checkSaved(const TFlatTable &table)
{
    if (!table.SaveProblem(StatusColumn).isEmpty())
        return;
    // as the window saves and loads a file
    static const QString path = Fuzz::ScratchPath(QStringLiteral("table.csv"));
    FUZZ_CHECK(TextFiles::WriteText(path, table.SaveText(StatusColumn)) ==
               TextFiles::TWriteResult::Written);
    QString text;
    FUZZ_CHECK(TextFiles::ReadText(path, text) == TextFiles::TReadResult::Read);
    TFlatTable loaded;
    FUZZ_CHECK(loaded.Parse(text, QLatin1Char(';')));
    checkShape(loaded);
    FUZZ_CHECK(loaded.RowCount() == table.RowCount());
    const bool statusLast = table.ColumnCount() == StatusColumn + 1;
    FUZZ_CHECK(loaded.ColumnCount() == table.ColumnCount() - (statusLast ? 1 : 0));
    for (int r = 0; r < table.RowCount(); ++r)
        for (int c = 0; c < table.ColumnCount(); ++c)
            FUZZ_CHECK(loaded.Cell(c, r) == (c == StatusColumn ? QString() : table.Cell(c, r)));
}

void load(const QString &text, QChar separator)
{
    TFlatTable table;
    QString error;
    if (!table.Parse(text, separator, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        return;
    }
    checkShape(table);
    checkSaved(table);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = Fuzz::Bytes(data, size);
    // a file, read as the window reads it: the text ends at a zero byte
    if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0)
        bytes.truncate(zero);
    load(TextCodec::DecodeFile(bytes), QLatin1Char(';'));
    // the clipboard
    load(QString::fromUtf8(Fuzz::Bytes(data, size)), QLatin1Char('\t'));
    return 0;
}
