#include "data/datasetrefresh.h"

#include "data/dataset.h"

namespace {

// The dataset and its details, their details' too, as the master links go.
void withDetails(TDataSet &dataSet, QVector<TDataSet *> &out)
{
    out << &dataSet;
    for (TDataSet *d : dataSet.Details())
        if (!out.contains(d))
            withDetails(*d, out);
}

} // namespace

void RequeryKeepingRow(TDataSet &dataSet)
{
    QVector<int> keys;
    for (const QString &k : dataSet.KeyFields())
        if (const int f = dataSet.FieldIndex(k); f >= 0)
            keys << f;
    const int row = dataSet.RecNo();
    QVector<QVariant> key;
    if (row >= 0)
        for (int f : std::as_const(keys))
            key << dataSet.Value(row, f);

    dataSet.DisableControls();
    try {
        dataSet.Requery();
        int found = -1;
        if (!key.isEmpty()) {
            for (int r = 0; r < dataSet.RecordCount() && found < 0; ++r) {
                bool same = true;
                for (int i = 0; i < keys.size() && same; ++i)
                    same = dataSet.Value(r, keys[i]) == key[i];
                if (same)
                    found = r;
            }
        } else if (keys.isEmpty() && row >= 0) {
            found = qMin(row, dataSet.RecordCount() - 1);
        }
        if (found > 0)
            dataSet.SetRecNo(found);
    } catch (...) {
        dataSet.EnableControls();
        throw;
    }
    dataSet.EnableControls();
}

void RefreshDataSet(TDataSet &dataSet)
{
    if (!dataSet.Active())
        return;
    QVector<TDataSet *> family;
    withDetails(dataSet, family);
    // the pending edits first, deepest first, as before a move of the master
    for (auto it = family.crbegin(); it != family.crend(); ++it)
        if ((*it)->Active() && (*it)->IsEditing())
            (*it)->Post();
    // the names the lists show through lookups, read again too; a source
    // someone is editing elsewhere is left as it is
    QVector<TDataSet *> sources;
    for (TDataSet *ds : std::as_const(family))
        for (const TFieldDef &f : ds->Fields())
            if (f.kind == FieldKind::Lookup && f.lookupDataSet && f.lookupDataSet->Active() &&
                !f.lookupDataSet->IsEditing() && !family.contains(f.lookupDataSet) &&
                !sources.contains(f.lookupDataSet))
                sources << f.lookupDataSet;
    for (TDataSet *s : std::as_const(sources))
        RequeryKeepingRow(*s);
    RequeryKeepingRow(dataSet);
}
