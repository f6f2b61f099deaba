#include "data/dbftable.h"

#include "base/errors.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <shapefil.h>

#include <cstdio>
#include <cstring>

namespace {

DBFHandle dbf(void *handle)
{
    return static_cast<DBFHandle>(handle);
}

// shapelib opens "<name without extension>.dbf" (or ".DBF"), never the path
// it was given, so a file named "addr.Dbf" or "addr" would be missed or
// another file read. While a table is opened, the table file is opened at the
// exact path; the ".cpg" file beside it is looked for as shapelib names it.
thread_local const char *t_exactPath = nullptr;

bool endsWith(const char *s, const char *suffix)
{
    const size_t n = std::strlen(s), m = std::strlen(suffix);
    return n >= m && std::strcmp(s + n - m, suffix) == 0;
}

// shapelib seeks before every record it reads, and a seek of the C library
// drops its read buffer and asks the system each time. The files are read
// with their position kept here: a seek to where a file stands already
// costs nothing, so that records read in turn come out of the buffer.
struct TSaFile {
    std::FILE *file;
    SAOffset pos;
};

TSaFile *saFile(SAFile file)
{
    return reinterpret_cast<TSaFile *>(file);
}

SAFile openFile(const char *filename, const char *access)
{
    const char *name = filename;
    if (t_exactPath && (endsWith(filename, ".dbf") || endsWith(filename, ".DBF")))
        name = t_exactPath;
    std::FILE *file = std::fopen(name, access);
    if (!file)
        return nullptr;
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return reinterpret_cast<SAFile>(new TSaFile{file, 0});
}

SAOffset readFile(void *p, SAOffset size, SAOffset count, SAFile file)
{
    TSaFile *f = saFile(file);
    const size_t done = std::fread(p, size, count, f->file);
    f->pos = done == count ? f->pos + size * count : SAOffset(std::ftell(f->file));
    return done;
}

SAOffset writeFile(void *p, SAOffset size, SAOffset count, SAFile file)
{
    TSaFile *f = saFile(file);
    const size_t done = std::fwrite(p, size, count, f->file);
    f->pos = SAOffset(std::ftell(f->file));
    return done;
}

SAOffset seekFile(SAFile file, SAOffset offset, int whence)
{
    TSaFile *f = saFile(file);
    if (whence == SEEK_SET && offset == f->pos)
        return 0;
    const int result = std::fseek(f->file, long(offset), whence);
    f->pos = SAOffset(std::ftell(f->file));
    return SAOffset(result);
}

SAOffset tellFile(SAFile file)
{
    return saFile(file)->pos;
}

int flushFile(SAFile file)
{
    return std::fflush(saFile(file)->file);
}

int closeFile(SAFile file)
{
    TSaFile *f = saFile(file);
    const int result = std::fclose(f->file);
    delete f;
    return result;
}

void quietError(const char *) {}

// The versions of the first header byte that dBase, FoxPro and Visual
// FoxPro files carry.
bool knownVersion(unsigned char v)
{
    switch (v) {
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x30:
    case 0x31:
    case 0x32:
    case 0x43:
    case 0x63:
    case 0x83:
    case 0x8B:
    case 0x8E:
    case 0xCB:
    case 0xE5:
    case 0xF5:
    case 0xFB:
        return true;
    default:
        return false;
    }
}

QString quoted(const QString &s)
{
    return QStringLiteral("«%1»").arg(s);
}

// Checks the header as dBase writes it, so that a file of another kind is
// refused before a single record is read, and a file cut short is noticed
// before anything of it is used.
void checkHeader(const QString &path, qint64 fileSize)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EError(QStringLiteral("Не удалось открыть файл %1: %2")
                         .arg(quoted(path), file.errorString()));
    const QByteArray head = file.read(32);
    const auto notDbf = [&] {
        return EError(QStringLiteral("Файл %1 не является таблицей dBase").arg(quoted(path)));
    };
    if (head.size() < 32)
        throw notDbf();
    const auto byte = [&](const QByteArray &b, int i) {
        return static_cast<unsigned char>(b[i]);
    };
    const qint64 records = qint64(byte(head, 4)) | qint64(byte(head, 5)) << 8 |
        qint64(byte(head, 6)) << 16 | qint64(byte(head, 7)) << 24;
    const int headerLength = byte(head, 8) | byte(head, 9) << 8;
    const int recordLength = byte(head, 10) | byte(head, 11) << 8;
    if (!knownVersion(byte(head, 0)) || headerLength < 65 || recordLength < 2)
        throw notDbf();
    const QByteArray fields = file.read(headerLength - 32);
    if (fields.size() < headerLength - 32)
        throw notDbf();
    int count = 0;
    int width = 1; // the deleted mark
    for (int at = 0; at + 32 <= fields.size() && fields[at] != '\r'; at += 32, ++count) {
        const char type = fields[at + 11];
        const bool typeMark =
            (type >= 'A' && type <= 'Z') || type == '0' || type == '@' || type == '+';
        if (!typeMark || fields[at] == '\0')
            throw notDbf();
        width += byte(fields, at + 16);
    }
    if (count == 0 || width > recordLength)
        throw notDbf();
    const qint64 expected = qint64(headerLength) + records * recordLength;
    if (fileSize < expected) {
        const qint64 present = qMax<qint64>(0, fileSize - headerLength) / recordLength;
        throw EError(QStringLiteral("Файл %1 повреждён или обрезан: в его заголовке указано "
                                    "записей: %2, а в файле целиком есть только %3")
                         .arg(quoted(path))
                         .arg(records)
                         .arg(present));
    }
}

} // namespace

TDbfTable::TDbfTable() = default;

TDbfTable::~TDbfTable()
{
    Close();
}

int TDbfTable::CodePageOf(const char *declared)
{
    if (!declared || !*declared)
        return 866;
    if (std::strncmp(declared, "LDID/", 5) == 0) {
        // language driver marks of dBase and FoxPro
        switch (std::atoi(declared + 5)) {
        case 0:
            return 866;
        case 1:
        case 9:
        case 11:
        case 13:
        case 15:
        case 17:
        case 21:
        case 24:
        case 25:
        case 27:
            return 437;
        case 2:
        case 10:
        case 14:
        case 16:
        case 18:
        case 20:
        case 22:
        case 26:
        case 29:
        case 37:
        case 55:
            return 850;
        case 3:
        case 87:
        case 88:
        case 89:
            return 1252;
        case 8:
        case 23:
        case 102:
            return 865;
        case 28:
        case 108:
            return 863;
        case 31:
        case 34:
        case 35:
        case 64:
        case 100:
        case 135:
            return 852;
        case 36:
            return 860;
        case 38:
        case 101:
            return 866;
        case 103:
            return 861;
        case 106:
        case 134:
            return 737;
        case 107:
        case 136:
            return 857;
        case 77:
        case 122:
            return 936;
        case 78:
        case 121:
            return 949;
        case 79:
        case 120:
            return 950;
        case 80:
        case 124:
            return 874;
        case 19:
        case 123:
            return 932;
        case 125:
            return 1255;
        case 126:
            return 1256;
        case 150:
            return 10007;
        case 200:
            return 1250;
        case 201:
            return 1251;
        case 202:
            return 1254;
        case 203:
            return 1253;
        case 204:
            return 1257;
        default:
            return 0;
        }
    }
    return TTextCodec::CodePageFromName(QString::fromLatin1(declared));
}

void TDbfTable::Open(const QString &path)
{
    Close();
    const QFileInfo info(path);
    if (!info.exists())
        throw EError(QStringLiteral("Файл %1 не найден").arg(quoted(path)));
    if (info.isDir())
        throw EError(QStringLiteral("%1 - это папка, а не файл таблицы").arg(quoted(path)));
    if (!info.isReadable())
        throw EError(QStringLiteral("Нет права на чтение файла %1").arg(quoted(path)));
    checkHeader(path, info.size());

    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = openFile;
    hooks.FRead = readFile;
    hooks.FWrite = writeFile;
    hooks.FSeek = seekFile;
    hooks.FTell = tellFile;
    hooks.FFlush = flushFile;
    hooks.FClose = closeFile;
    hooks.Error = quietError;
    const QByteArray native = QFile::encodeName(path);
    t_exactPath = native.constData();
    DBFHandle h = DBFOpenLL(native.constData(), "rb", &hooks);
    t_exactPath = nullptr;
    if (!h)
        throw EError(QStringLiteral("Файл %1 не является таблицей dBase").arg(quoted(path)));
    m_handle = h;
    m_path = path;

    try {
        const char *declared = DBFGetCodePage(h);
        const int codePage = CodePageOf(declared);
        m_codec = TTextCodec(codePage);
        if (!m_codec.IsValid())
            throw EError(QStringLiteral("Файл %1 записан в кодовой странице %2, которую программа "
                                        "не знает")
                             .arg(quoted(path), quoted(QString::fromLatin1(declared))));
        m_recordCount = DBFGetRecordCount(h);
        const int count = DBFGetFieldCount(h);
        for (int f = 0; f < count; ++f) {
            char name[XBASE_FLDNAME_LEN_READ + 1] = {0};
            TDbfField field;
            DBFGetFieldInfo(h, f, name, &field.width, &field.decimals);
            field.name = m_codec.Decode(name, qsizetype(std::strlen(name)));
            field.nativeType = DBFGetNativeFieldType(h, f);
            switch (field.nativeType) {
            case 'C':
                field.type = FieldType::String;
                break;
            case 'N':
            case 'F':
                field.type = field.decimals == 0 && field.width <= 18 ? FieldType::LargeInt
                                                                      : FieldType::Float;
                break;
            case 'D':
                field.type = FieldType::Date;
                break;
            case 'L':
                field.type = FieldType::Boolean;
                break;
            default:
                throw EError(QStringLiteral("Поле %1 файла %2 имеет тип %3, который программа "
                                            "не читает")
                                 .arg(quoted(field.name), quoted(path),
                                      quoted(QString(QLatin1Char(field.nativeType)))));
            }
            m_fields << field;
        }
    } catch (...) {
        Close();
        throw;
    }
}

void TDbfTable::Close()
{
    if (m_handle)
        DBFClose(dbf(m_handle));
    m_handle = nullptr;
    m_fields.clear();
    m_recordCount = 0;
}

void TDbfTable::readFailed(int record) const
{
    throw EError(QStringLiteral("Не удалось прочитать запись %1 файла %2")
                     .arg(record + 1)
                     .arg(quoted(m_path)));
}

bool TDbfTable::IsDeleted(int record) const
{
    const char *raw = DBFReadTuple(dbf(m_handle), record);
    if (!raw)
        readFailed(record);
    return raw[0] == '*';
}

void TDbfTable::ReadRecord(int record, QVector<QVariant> &values) const
{
    values.resize(m_fields.size());
    for (int f = 0; f < m_fields.size(); ++f)
        values[f] = fieldValue(record, f);
}

QVariant TDbfTable::fieldValue(int record, int field) const
{
    const char *text = DBFReadStringAttribute(dbf(m_handle), record, field);
    if (!text)
        readFailed(record);
    const TDbfField &def = m_fields[field];
    const QByteArrayView raw(text); // shapelib trims the blanks around it
    const auto bad = [&](const char *what) {
        return EError(QStringLiteral("Запись %1 файла %2: в поле %3 %4: %5")
                          .arg(record + 1)
                          .arg(quoted(m_path), quoted(def.name), QString::fromUtf8(what),
                               quoted(m_codec.Decode(raw.data(), raw.size()))));
    };
    switch (def.nativeType) {
    case 'C':
        if (raw.isEmpty())
            return QVariant();
        return m_codec.Decode(raw.data(), raw.size());
    case 'N':
    case 'F': {
        if (raw.isEmpty() || raw.toByteArray().count('*') == raw.size())
            return QVariant();
        bool ok = false;
        // QByteArray's conversions are those of the C locale
        const QByteArray number = raw.toByteArray();
        if (def.type == FieldType::LargeInt) {
            const qlonglong v = number.toLongLong(&ok);
            if (ok)
                return v;
        }
        const double d = number.toDouble(&ok);
        if (!ok)
            throw bad("не число");
        if (def.type == FieldType::LargeInt) {
            if (!(d > -9e18 && d < 9e18) || d != double(qlonglong(d)))
                throw bad("не целое число");
            return qlonglong(d);
        }
        return d;
    }
    case 'D': {
        if (raw.isEmpty() || raw == "00000000")
            return QVariant();
        const QDate date = QDate::fromString(QString::fromLatin1(raw.data(), raw.size()),
                                             QStringLiteral("yyyyMMdd"));
        if (!date.isValid())
            throw bad("неверная дата");
        return date;
    }
    case 'L':
        if (raw.isEmpty() || raw == "?")
            return QVariant();
        switch (raw[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            return true;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            return false;
        default:
            throw bad("неверное логическое значение");
        }
    default:
        return QVariant();
    }
}
