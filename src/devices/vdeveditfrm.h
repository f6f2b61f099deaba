#pragma once
// The channel parameter window: every attribute of the current channel of the
// devices tab, for reading only.

#include <QDialog>

class QLabel;
class QPushButton;
class TDBGrid;

class TVDevEditForm : public QDialog
{
    Q_OBJECT
public:
    explicit TVDevEditForm(QWidget *owner = nullptr);
    ~TVDevEditForm() override;

    QLabel *stVDevAttr;
    TDBGrid *dbgrdVDevAttr;
    QPushButton *btnClose;

protected:
    // The attribute list is open while the window is shown, and only then.
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
};

extern TVDevEditForm *VDevEditForm;

// Shows the parameters of the current channel of the devices tab modally; no
// dataset changes state.
void ShowVDevParams();
