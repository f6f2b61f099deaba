#include "data/sqlident.h"

#include "data/dberrors.h"

QString QuoteIdentifier(const QString &name)
{
    if (name.isEmpty() || name.contains(QChar(0)))
        throw EDatabaseError(QStringLiteral("Недопустимое имя объекта базы данных: '%1'")
                                 .arg(QString(name).remove(QChar(0))));
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
