#include "widgets/dbedit.h"

#include "data/dataset.h"
#include "base/utils.h"
#include "widgets/fielddatalink.h"
#include "widgets/fieldtext.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>

TDBEdit::TDBEdit(TDataSource *source, const QString &fieldName, QWidget *parent,
                 const QString &name)
    : QLineEdit(parent), m_link(new TFieldDataLink(source, fieldName, this))
{
    if (!name.isEmpty())
        setObjectName(name);
    connect(m_link, &TFieldDataLink::Changed, this, [this] { ShowField(); });
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::edited);
    ShowField();
}

FieldType TDBEdit::Type() const
{
    const TFieldDef *f = m_link->Field();
    return f ? f->type : FieldType::String;
}

void TDBEdit::ShowField()
{
    m_pending = false;
    m_typing = false;
    const QVariant value = m_link->Value();
    const FieldType type = Type();
    m_emptyText =
        !value.isNull() && value.typeId() == QMetaType::QString && value.toString().isEmpty();
    const TFieldDef *f = m_link->Field();
    const int limit = f && type == FieldType::String && f->size > 0 ? f->size : 32767;
    if (maxLength() != limit)
        setMaxLength(limit);
    const QString text = TextOf(value);
    if (this->text() != text)
        setText(text);
    setReadOnly(!m_link->CanModify());
}

QString TDBEdit::TextOf(const QVariant &value) const
{
    return FieldEditText(value, Type());
}

bool TDBEdit::ReadText(QVariant *value, QString *error) const
{
    const FieldType type = Type();
    if (type == FieldType::String) {
        *value = text().isEmpty() && !m_emptyText ? QVariant() : QVariant(text());
        return true;
    }
    return ParseFieldText(text(), type, value, error);
}

void TDBEdit::edited()
{
    if (!m_typing) {
        m_typing = true;
        m_before = m_link->Value();
    }
    QVariant value;
    QString error;
    if (ReadText(&value, &error)) {
        m_pending = false;
        m_link->SetValue(value);
        return;
    }
    m_pending = true;
    // a value stored on the way ("2,5" of "2,5x") is taken back
    const QVariant now = m_link->Value();
    if (now.isNull() != m_before.isNull() || (!now.isNull() && now != m_before))
        m_link->SetValue(m_before);
    else
        m_link->Edit();
}

bool TDBEdit::ValidateInput()
{
    if (!m_pending)
        return true;
    QVariant value;
    QString error;
    if (ReadText(&value, &error)) {
        m_pending = false;
        return m_link->SetValue(value);
    }
    return complain();
}

bool TDBEdit::complain()
{
    QVariant value;
    QString error;
    ReadText(&value, &error);
    const QScopedValueRollback<bool> guard(m_complaining, true);
    WarningBox(error, this);
    // the focus stays here until the text is a value (or the row moves on)
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_pending) {
                setFocus(Qt::OtherFocusReason);
                selectAll();
            }
        },
        Qt::QueuedConnection);
    return false;
}

void TDBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // a box or another window taking the focus is not the operator leaving
    if (m_complaining || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason)
        return;
    if (m_pending) {
        ValidateInput();
        return;
    }
    m_typing = false;
    if (Type() != FieldType::String && !isReadOnly())
        ShowField(); // "1,50" becomes "1.5"
}

void TDBEdit::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_pending) {
        if (!ValidateInput()) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

TDBNumberEdit::TDBNumberEdit(TDataSource *source, const QString &fieldName, QWidget *parent,
                             const QString &name)
    : TDBEdit(source, fieldName, parent, name)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}
