#include "widgets/inputstr.h"

#include <algorithm>

#include "base/utils.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

TStringInputForm *StringInputForm = nullptr;

namespace {

constexpr int Margin = 8;
constexpr int ButtonGap = 8; // on each side of the middle
constexpr int FixedHeight = 150;
constexpr int ButtonTop = 100;

} // namespace

TStringInputForm::TStringInputForm(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("StringInputForm"));
    setMinimumSize(350, FixedHeight);
    setMaximumHeight(FixedHeight);

    Label = new QLabel(QStringLiteral("Label"), this);
    Label->setObjectName(QStringLiteral("Label"));
    Label->setGeometry(Margin, Margin, 384, 17);

    Edit = new QLineEdit(this);
    Edit->setObjectName(QStringLiteral("Edit"));
    Edit->setGeometry(Margin, 32, 384, 24);
    Edit->setMaxLength(25);

    OKButton = new QPushButton(QStringLiteral("О&К"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(117, ButtonTop, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    CancelButton = new QPushButton(QStringLiteral("Отменить"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(208, ButtonTop, 75, 25);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    resize(400, FixedHeight);
    Edit->setFocus();
}

void TStringInputForm::SetDigitsOnly(bool digitsOnly)
{
    if (digitsOnly == m_digitsOnly)
        return;
    m_digitsOnly = digitsOnly;
    if (digitsOnly)
        Edit->installEventFilter(this);
    else
        Edit->removeEventFilter(this);
}

void TStringInputForm::FormResize()
{
    const int stretched = width() - 2 * Margin;
    Label->resize(stretched, Label->height());
    Edit->resize(stretched, Edit->height());
    const int half = width() / 2;
    OKButton->move(half - ButtonGap - OKButton->width(), OKButton->y());
    CancelButton->move(half + ButtonGap, CancelButton->y());
}

void TStringInputForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

bool TStringInputForm::EditKeyPress(const QString &typed) const
{
    for (const QChar c : typed) {
        const char16_t u = c.unicode();
        const bool passes = (u >= u'0' && u <= u'9') || u < 32 || u == 127 || u == u'-' ||
            u == u'+' || u == u'.' || u == u',';
        if (!passes)
            return false;
    }
    return true;
}

bool TStringInputForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit && m_digitsOnly && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Only typed characters are filtered; shortcuts such as Ctrl+V (paste)
        // type nothing and pass.
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        if (!shortcut && !EditKeyPress(key->text()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

int InputStringEx(const QString &caption, const QString &label, QString &value, bool password,
                  bool digitsOnly, int maxLength, int width)
{
    // On the heap and watched: should the owner go away while the dialog is
    // up, it takes the dialog with it.
    QPointer<TStringInputForm> form = new TStringInputForm(QApplication::activeWindow());
    StringInputForm = form;
    form->resize(width, FixedHeight);
    form->FormResize(); // a hidden window gets its resize event only when shown
    form->setWindowTitle(caption);
    form->Label->setText(label);
    // The text first, then the limit: a longer value passed in stays whole
    // (a line edit would cut it), and the operator can shorten it but not
    // make it longer than the limit or itself.
    const int limit = maxLength > 0 ? maxLength : 32767;
    form->Edit->setMaxLength(std::max<int>(limit, value.size()));
    form->Edit->setText(value);
    QObject::connect(form->Edit, &QLineEdit::textEdited, form, [edit = form->Edit, limit] {
        edit->setMaxLength(std::max<int>(limit, edit->text().size()));
    });
    form->SetDigitsOnly(digitsOnly);
    if (password) {
        form->Edit->setEchoMode(QLineEdit::Password);
        form->Edit->setStyleSheet(
            QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    }
    int result = ShowModal(form);
    if (form)
        value = form->Edit->text();
    else
        result = QDialog::Rejected;
    delete form;
    StringInputForm = nullptr;
    return result;
}

int InputString(const QString &caption, QString &value, int maxLength, bool password,
                bool digitsOnly)
{
    return InputStringEx(caption, QString(), value, password, digitsOnly, maxLength, 400);
}
