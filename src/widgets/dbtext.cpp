#include "widgets/dbtext.h"

#include "widgets/fielddatalink.h"

TDBText::TDBText(TDataSource *source, const QString &fieldName, QWidget *parent,
                 const QString &name)
    : QLineEdit(parent), m_link(new TFieldDataLink(source, fieldName, this))
{
    if (!name.isEmpty())
        setObjectName(name);
    setReadOnly(true);
    setFocusPolicy(Qt::ClickFocus);
    // looks read-only: the window's colour behind the text
    QPalette pal = palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    setPalette(pal);
    connect(m_link, &TFieldDataLink::Changed, this, &TDBText::showField);
    showField();
}

void TDBText::showField()
{
    setText(m_link->DisplayText());
    setCursorPosition(0);
}
