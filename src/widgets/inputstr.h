#pragma once
// The dialog that asks for one line of text.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TStringInputForm : public QDialog
{
    Q_OBJECT

public:
    explicit TStringInputForm(QWidget *parent = nullptr);

    // Lets only digits, control characters, '-', '+', '.' and ',' be typed
    // into Edit; pasted text is not filtered.
    void SetDigitsOnly(bool digitsOnly);
    bool DigitsOnly() const { return m_digitsOnly; }
    // Stretches the label and the edit with the width and keeps the buttons
    // centred with a gap of 16 pixels.
    void FormResize();

    QLabel *Label;
    QLineEdit *Edit;
    QPushButton *OKButton;
    QPushButton *CancelButton;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool EditKeyPress(const QString &typed) const;

    bool m_digitsOnly = false;
};

// The dialog of the InputStringEx call in progress, null otherwise.
extern TStringInputForm *StringInputForm;

// Asks for a text; value goes in and comes back with the edit's text whatever
// the result. A maxLength of 0 or less sets no limit. Returns
// QDialog::Accepted or QDialog::Rejected.
int InputStringEx(const QString &caption, const QString &label, QString &value, bool password,
                  bool digitsOnly, int maxLength, int width);
// InputStringEx with an empty label and the width 400.
int InputString(const QString &caption, QString &value, int maxLength, bool password = false,
                bool digitsOnly = false);
