#pragma once
// A list window: a top-level window of its own, shown modelessly, with one
// list panel and a button "Закрыть" that hides it.

#include "widgets/listpanel.h"

class QPushButton;

// Shows a modeless window, or brings it to the front when it is shown.
void ShowToFront(QWidget *window);
// Makes a top-level window built on a plain QWidget (a list window, the
// archive viewer, a progress window) known to screen readers as a window
// named by its caption, or by the given name while it has none; otherwise it
// is announced as an unnamed "filler".
void NameWindowForReaders(QWidget *window, const QString &uncaptioned = QString());

class TListForm : public QWidget
{
    Q_OBJECT
public:
    struct TDef {
        const char *name; // of the window object, e.g. "AreasForm"
        QString caption;
        QSize size;
        TListPanel::TDef panel;
    };
    TListForm(TDataSource *source, const TDef &def);

    TListPanel *Panel() const { return m_panel; }
    TDBGrid *Grid() const { return m_panel->Grid; }
    QPushButton *CloseButton() const { return m_close; }

private:
    TListPanel *m_panel;
    QPushButton *m_close;
};
