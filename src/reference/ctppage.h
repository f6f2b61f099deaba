#pragma once
// The tab "ЦТП" of the main window: the list of central heat points with its
// add, delete and edit commands.

#include <QWidget>

class QLabel;
class QToolButton;
class TDBGrid;
class TMainForm;

class TCTPPage : public QWidget
{
    Q_OBJECT
public:
    explicit TCTPPage(TMainForm *main, QWidget *parent = nullptr);

    QLabel *stCTP;
    TDBGrid *dbgrdCTP;
    QToolButton *cmdAddCTP, *cmdDelCTP, *cmdEditCTP;

public slots:
    void cmdAddCTPClick();
    void cmdDelCTPClick();
    void cmdEditCTPClick();
    void dbgrdCTPDblClick();

private:
    TMainForm *m_main;
};
