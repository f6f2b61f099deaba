#pragma once
// The frame of every edit dialog: labelled, data-bound controls over the
// current row of a dataset, then "OK" (the default button) and "Отмена". OK
// runs the dialog's close check first; a failed check has shown its warning
// and the dialog stays open with everything typed. Cancel and every other way
// of closing skip the check.

#include <QDialog>

class QFormLayout;
class QHBoxLayout;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class TDataSet;
class TDataSource;
class TDBDateEdit;
class TDBEdit;
class TDBLookupComboBox;

// "OK" (the default button, accepts) and "Отмена" (rejects) at the right of
// a row; the row of every dialog of the program.
QHBoxLayout *NewOkCancelRow(QDialog *dialog, QPushButton **ok, QPushButton **cancel);

class TEditDialog : public QDialog
{
    Q_OBJECT
public:
    // The dialog becomes the edit dialog of the dataset's record commands.
    TEditDialog(const char *name, const QString &caption, TDataSet *dataSet, QWidget *owner);

    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

    void done(int result) override;

protected:
    // Adds a labelled control to the current group of rows; controls come in
    // tab order. Returns the label.
    QWidget *AddRow(const QString &label, QWidget *control);
    // A labelled edit of one field, named e.g. "txtPhone".
    TDBEdit *AddEdit(const QString &label, TDataSource *source, const QString &field,
                     const char *name);
    // A labelled list that picks the field's value from a lookup dataset.
    TDBLookupComboBox *AddLookup(const QString &label, TDataSource *source, const QString &field,
                                 TDataSet *lookup, const QString &lookupKey,
                                 const QString &lookupText, const char *name);
    // A small button for beside a control (a "..." that picks, an "X" that
    // empties); a click leaves the focus where it is, so that a half-typed
    // date is no reason for a warning when the operator empties it.
    static QToolButton *NewSideButton(const QString &text, const char *name, const QString &hint);
    // The control with its side button in one row; with stretch the control
    // takes the width, otherwise both keep their size at the left.
    static QWidget *WithSideButton(QWidget *control, QToolButton *button, bool stretch);
    // A date box of the field with the button "X" ("Убрать дату") beside it,
    // which empties the date, a half-typed one included. Returns the row.
    QWidget *NewDateRow(TDataSource *source, const QString &field, const char *editName,
                        const char *buttonName, TDBDateEdit **edit, QToolButton **button);
    // Adds a widget across the whole width (a list, say), which takes the
    // height that is left; the rows after it form a new group.
    void AddWide(QWidget *widget, int stretch = 1);
    // Rows with their labels above the controls rather than beside them.
    void SetLabelsAbove(bool above);
    // Adds the buttons below the controls; the last step of a constructor.
    // The dialog gets the fixed size given; without one, a dialog without
    // wide widgets keeps the size of its contents.
    void FinishLayout(const QSize &fixedSize = QSize());

    virtual bool CloseCheck() { return true; }
    // True when the field holds a text of at least one character; otherwise
    // shows the warning and returns false.
    bool RequireText(TDataSet *dataSet, const QString &field, const QString &warning);
    // True when the field is not null; otherwise shows the warning.
    bool RequireValue(TDataSet *dataSet, const QString &field, const QString &warning);
    // The control that has the focus whenever the dialog opens.
    void SetFirstControl(QWidget *control) { m_firstControl = control; }

    void showEvent(QShowEvent *event) override;

private:
    QFormLayout *newForm();

    QVBoxLayout *m_outer;
    QFormLayout *m_form = nullptr;
    QWidget *m_last = nullptr;
    QWidget *m_firstControl = nullptr;
    bool m_labelsAbove = false;
    bool m_wide = false;
};
