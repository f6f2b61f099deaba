#pragma once
// The tab "Организации" of the main window: the list of organisations with
// its add, delete and edit commands.

#include <QWidget>

class QLabel;
class QToolButton;
class TDBGrid;
class TMainForm;

class TOrgsPage : public QWidget
{
    Q_OBJECT
public:
    explicit TOrgsPage(TMainForm *main, QWidget *parent = nullptr);

    QLabel *stOrgs;
    TDBGrid *dbgrdOrgs;
    QToolButton *cmdAddOrg, *cmdDelOrg, *cmdEditOrg;

public slots:
    void cmdAddOrgClick();
    void cmdDelOrgClick();
    void cmdEditOrgClick();
    void dbgrdOrgsDblClick();

private:
    TMainForm *m_main;
};
