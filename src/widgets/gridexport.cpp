#include "widgets/gridexport.h"

#include "base/errors.h"

#include <QDir>
#include <QSaveFile>

namespace {

const QLatin1Char Quote('"');

QString reason(const QSaveFile &file)
{
    QString why;
    switch (file.error()) {
    case QFileDevice::OpenError:
        why = QStringLiteral("папка недоступна для записи");
        break;
    case QFileDevice::PermissionsError:
        why = QStringLiteral("нет прав на запись");
        break;
    case QFileDevice::WriteError:
        why = QStringLiteral("ошибка записи на диск");
        break;
    case QFileDevice::ResourceError:
        why = QStringLiteral("недостаточно места на диске");
        break;
    case QFileDevice::RenameError:
        why = QStringLiteral("не удалось заменить прежний файл");
        break;
    default:
        why = QStringLiteral("ошибка ввода-вывода");
        break;
    }
    return why + QStringLiteral(" (") + file.errorString() + QLatin1Char(')');
}

} // namespace

QString DelimitedLine(const QStringList &cells, QChar separator)
{
    QString line;
    for (qsizetype c = 0; c < cells.size(); ++c) {
        if (c > 0)
            line += separator;
        const QString &cell = cells.at(c);
        if (cell.contains(separator) || cell.contains(Quote) || cell.contains(QLatin1Char('\r')) ||
            cell.contains(QLatin1Char('\n'))) {
            QString quoted = cell;
            quoted.replace(Quote, QStringLiteral("\"\""));
            line += Quote + quoted + Quote;
        } else {
            line += cell;
        }
    }
    return line;
}

QString DelimitedText(const QList<QStringList> &lines, QChar separator)
{
    QString text;
    for (const QStringList &cells : lines)
        text += DelimitedLine(cells, separator) + QStringLiteral("\r\n");
    return text;
}

void SaveCsvFile(const QString &path, const QList<QStringList> &lines)
{
    const QByteArray bytes =
        QByteArray("\xEF\xBB\xBF") + DelimitedText(lines, QLatin1Char(';')).toUtf8();
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EError(
            QStringLiteral("Не удалось создать файл \"%1\": %2.").arg(shown, reason(file)));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EError(
            QStringLiteral("Не удалось записать файл \"%1\": %2.").arg(shown, reason(file)));
}
