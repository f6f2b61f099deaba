#pragma once
// The water inputs of one heat and water channel, edited in place, and the
// operation that shows them for the current channel of a metering unit.

#include <QDialog>
#include <QString>

class QPushButton;
class QToolButton;
class TDataSet;
class TDataSource;
class TDBGrid;
class TListPanel;

// Shows the water inputs of the current row of qryHWUnitDev modally. A channel
// whose device category keeps no archive gets a warning and no window.
void ShowWaterSupply();

class TWaterSupplyForm : public QDialog
{
    Q_OBJECT
public:
    explicit TWaterSupplyForm(QWidget *owner = nullptr);
    ~TWaterSupplyForm() override;

    // Shows the inputs of the current channel, whose device category is
    // devcatid, modally; the inputs are read only while the window shows.
    void Execute(const QString &devcatid);

    // The water parameters of the device category last shown, kept between
    // showings.
    TDataSet *qryDevParams;
    TDataSet *qryWaterSupply;
    TDataSource *dsWaterSupply;
    TListPanel *pnlWaterSupply;
    TDBGrid *dbgrdWaterSupply;
    QToolButton *cmdAddWaterInput, *cmdDelWaterInput, *cmdEditWaterInput;
    QPushButton *btnClose;

    // Every way of closing: an unsaved change is saved, dropped or kept, as
    // the operator answers.
    void done(int result) override;

private:
    void useDevCategory(const QString &devcatid);
    bool mayClose();
    void addWaterInput();
    void editWaterInput();

    QString m_devCatId; // the category qryDevParams was read for
    bool m_devCatKept = false;
};

extern TWaterSupplyForm *WaterSupplyForm;
