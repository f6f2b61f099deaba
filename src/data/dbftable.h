#pragma once
// A dBase table opened read-only: its fields, records and deleted marks, the
// code page its character data are written in. Built on shapelib, which reads
// the format but converts nothing: texts are decoded here, numbers are read as
// texts and converted in the C locale (shapelib's own conversion follows the
// process locale), dates and logical values are parsed here.

#include "base/textcodec.h"
#include "data/fieldtype.h"

#include <QString>
#include <QVariant>
#include <QVector>

#include <memory>

struct TDbfField {
    QString name; // as the file writes it, decoded
    char nativeType = 'C';
    int width = 0;
    int decimals = 0;
    FieldType type = FieldType::String; // the type of the values read
};

class TDbfTable
{
public:
    TDbfTable();
    ~TDbfTable();
    TDbfTable(const TDbfTable &) = delete;
    TDbfTable &operator=(const TDbfTable &) = delete;

    // Opens the file at exactly this path read-only. Throws EError with a
    // message for the operator when the file is missing, is no dBase table,
    // is shorter than its header says, has a field type that cannot be read
    // or declares a code page that is not known.
    void Open(const QString &path);
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }

    const QString &Path() const { return m_path; }
    const QVector<TDbfField> &Fields() const { return m_fields; }
    // Records in the file, deleted ones included.
    int RecordCount() const { return m_recordCount; }
    // The code page of the character data: declared by a .cpg file beside the
    // table or by the language driver mark of its header; 866 otherwise.
    int CodePage() const { return m_codec.CodePage(); }

    // record: 0-based. Throws EError naming the record (1-based) when it
    // cannot be read.
    bool IsDeleted(int record) const;
    // The values of one record by field: null for empty fields.
    void ReadRecord(int record, QVector<QVariant> &values) const;

    // The code page of a shapelib code page text ("LDID/38", "1251", ...) or,
    // for none, 866; 0 when the text names no code page known here.
    static int CodePageOf(const char *declared);

private:
    QVariant fieldValue(int record, int field) const;
    [[noreturn]] void readFailed(int record) const;

    void *m_handle = nullptr; // shapelib's DBFHandle
    QString m_path;
    QVector<TDbfField> m_fields;
    int m_recordCount = 0;
    TTextCodec m_codec;
};
