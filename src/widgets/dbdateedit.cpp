#include "widgets/dbdateedit.h"

#include "data/fieldtype.h"

#include <QDateTime>

TDBDateEdit::TDBDateEdit(TDataSource *source, const QString &fieldName, QWidget *parent,
                         const QString &name)
    : TDBEdit(source, fieldName, parent, name)
{
    setInputMask(QString::fromLatin1(InputMask));
    ShowField();
}

QString TDBDateEdit::TextOf(const QVariant &value) const
{
    if (value.isNull() || !value.isValid())
        return QString();
    const QDate date =
        value.typeId() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

bool TDBDateEdit::ReadText(QVariant *value, QString *error) const
{
    // text() drops the blanks of the mask: "//" for an empty box
    QString digits = text();
    digits.remove(QLatin1Char('/'));
    if (digits.trimmed().isEmpty()) {
        *value = QVariant();
        return true;
    }
    const QDate date =
        hasAcceptableInput() ? QDate::fromString(text(), QStringLiteral("dd/MM/yyyy")) : QDate();
    if (!date.isValid()) {
        QString shown = displayText();
        shown.replace(QLatin1Char('_'), QLatin1Char(' '));
        *error = QLatin1Char('\'') + shown + QStringLiteral("' не является правильной датой");
        return false;
    }
    if (Type() == FieldType::DateTime)
        *value = QDateTime(date, QTime(0, 0), Qt::UTC);
    else
        *value = date;
    return true;
}
