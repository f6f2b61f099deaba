#pragma once
// Data-aware line edits: TDBEdit for a field of any type, TDBNumberEdit for a
// floating-point field.

#include <QLineEdit>

class TDataSource;
class TFieldDataLink;
enum class FieldType;

// Shows one field of the current row and writes what the operator types.
// - Text fields take every keystroke straight into the row (at most the
//   field's size). Emptying the edit stores NULL, except for a field that held
//   an empty text when it was shown: that one keeps the empty text, so that
//   touching a field never turns '' into NULL behind the operator's back.
// - Other types store the value as soon as the text is one (so "12" is in the
//   row while the operator still types). While the text is no value ("-",
//   "1e", "2,5x") the row holds the field's value from before this input
//   (the row is in edit state). Leaving the edit or Enter with such a text
//   shows a warning, stores nothing and keeps the focus here. A blank text
//   stores NULL.
// The edit is read-only while there is no current row or the field is not
// written back (lookup and computed fields).
class TDBEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDBEdit(TDataSource *source = nullptr, const QString &fieldName = QString(),
                     QWidget *parent = nullptr, const QString &name = QString());

    TFieldDataLink *DataLink() const { return m_link; }
    // Checks a pending text that is not a value yet; shows the warning and
    // returns false when it is none. True when nothing is pending.
    bool ValidateInput();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    // Shows the field's value.
    void ShowField();
    // The text shown for a value.
    virtual QString TextOf(const QVariant &value) const;
    // Reads the edit's text; false with the warning text when it is no value.
    virtual bool ReadText(QVariant *value, QString *error) const;
    FieldType Type() const;

private:
    void edited();
    bool complain();

    TFieldDataLink *m_link;
    bool m_pending = false;   // a text typed that is not a value yet
    bool m_typing = false;    // an input began and was not left yet
    QVariant m_before;        // the field before that input
    bool m_emptyText = false; // the field held '' when shown
    bool m_complaining = false;
};

// A TDBEdit for a floating-point field: right-aligned; "," and "." are both
// taken as the decimal separator; a bad number is refused with a warning.
class TDBNumberEdit : public TDBEdit
{
    Q_OBJECT
public:
    explicit TDBNumberEdit(TDataSource *source = nullptr, const QString &fieldName = QString(),
                           QWidget *parent = nullptr, const QString &name = QString());
};
