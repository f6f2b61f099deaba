#pragma once
// A data-aware date box with the edit mask of the program's date fields.

#include "widgets/dbedit.h"

// Edits a date or date-time field as dd/mm/yyyy through the input mask
// "99/99/9999;_" (the program's date mask "!99/99/0000;1;_"). A complete,
// possible date goes into the row as soon as it is typed (as a date at
// midnight for a date-time field); a box left all blank stores NULL. An
// impossible date (31/02/2020) or a half-typed one is refused when the
// operator leaves the box or presses Enter: a warning "'31/02/2020' не
// является правильной датой", nothing stored, and the focus stays.
class TDBDateEdit : public TDBEdit
{
    Q_OBJECT
public:
    explicit TDBDateEdit(TDataSource *source = nullptr, const QString &fieldName = QString(),
                         QWidget *parent = nullptr, const QString &name = QString());

    static constexpr const char *InputMask = "99/99/9999;_";

protected:
    QString TextOf(const QVariant &value) const override;
    bool ReadText(QVariant *value, QString *error) const override;
};
