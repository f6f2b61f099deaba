#include "archive/archcsv.h"

#include "archive/archvaluedelegate.h"
#include "base/errors.h"
#include "data/dataset.h"

#include <QDir>
#include <QSaveFile>

namespace {

const QString Separator = QStringLiteral(";");
const QString LineEnd = QStringLiteral("\r\n");

QString checkedCell(const QString &text)
{
    if (text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('\r')) ||
        text.contains(QLatin1Char('\n')))
        throw EError(QStringLiteral("Значение \"%1\" содержит точку с запятой или перевод "
                                    "строки и не может быть записано в файл CSV.")
                         .arg(text.simplified()));
    return text;
}

QString reason(const QSaveFile &file)
{
    QString why;
    switch (file.error()) {
    case QFileDevice::OpenError: why = QStringLiteral("папка недоступна для записи"); break;
    case QFileDevice::PermissionsError: why = QStringLiteral("нет прав на запись"); break;
    case QFileDevice::WriteError: why = QStringLiteral("ошибка записи на диск"); break;
    case QFileDevice::ResourceError: why = QStringLiteral("недостаточно места на диске"); break;
    case QFileDevice::RenameError:
        why = QStringLiteral("не удалось заменить прежний файл");
        break;
    default: why = QStringLiteral("ошибка ввода-вывода"); break;
    }
    return why + QStringLiteral(" (") + file.errorString() + QLatin1Char(')');
}

} // namespace

QString ArchiveCsvText(TDataSet *data, const QList<TGridColumn> &columns)
{
    QStringList cells;
    for (const TGridColumn &c : columns)
        cells << checkedCell(c.title);
    QString text = cells.join(Separator) + LineEnd;
    if (!data->Active())
        return text;
    QList<int> fields;
    for (const TGridColumn &c : columns)
        fields << data->FieldIndex(c.field);
    for (int r = 0; r < data->RecordCount(); ++r) {
        cells.clear();
        for (int field : std::as_const(fields)) {
            const QVariant v = data->Value(r, field);
            cells << checkedCell(TArchValueDelegate::HasOwnFormat(v)
                                     ? TArchValueDelegate::ValueText(v)
                                     : data->DisplayText(r, field));
        }
        text += cells.join(Separator) + LineEnd;
    }
    return text;
}

void SaveArchiveCsv(const QString &path, TDataSet *data, const QList<TGridColumn> &columns)
{
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + ArchiveCsvText(data, columns).toUtf8();
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EError(
            QStringLiteral("Не удалось создать файл \"%1\": %2.").arg(shown, reason(file)));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EError(
            QStringLiteral("Не удалось записать файл \"%1\": %2.").arg(shown, reason(file)));
}
