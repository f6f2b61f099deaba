#pragma once
// The building window: the street search, the street list with the buildings
// of the current street below it, and the building selection used by the
// device and metering object dialogs.

#include <QDialog>
#include <QVariant>

class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QToolButton;
class TDBGrid;

class TSelBuildingForm : public QDialog
{
    Q_OBJECT
public:
    enum class TSelectMode { Browse, Select };

    explicit TSelBuildingForm(QWidget *owner);
    ~TSelBuildingForm() override;

    void SetSelectMode(TSelectMode mode) { m_mode = mode; }
    TSelectMode SelectMode() const { return m_mode; }
    // Shows the window modally in its mode, opening the street and building
    // lists first when they are closed; returns the dialog's result.
    int Execute();
    // Opens qryStreets, qryStreets1 and qryBuildings, in that order, when the
    // street list is closed. A failure closes all three and is raised again.
    static void OpenDataSets();

    QPushButton *btnAdmDistricts, *btnDistricts, *btnAreas;
    QLabel *stUl, *stBuildings;
    QLineEdit *txtUlPattern;
    QPushButton *btnSelUl;
    TDBGrid *dbgrdUl, *dbgrdBuildings;
    QToolButton *cmdAddStreet, *cmdDelStreet, *cmdEditStreet;
    QToolButton *cmdAddBuilding, *cmdDelBuilding, *cmdEditBuilding;
    QSplitter *splBuildings;
    QPushButton *btnOK, *btnCancel;

public slots:
    // The street search: the pattern box's text with "%" appended (an empty
    // box stays empty) becomes the parameter of the street list, which is
    // run again.
    void btnSelUlClick();
    // OK in select mode needs a building to return.
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createStreetPanel();
    QWidget *createBuildingPanel();
    TSelectMode m_mode = TSelectMode::Browse;
};

extern TSelBuildingForm *SelBuildingForm;

// Shows the building window in select mode. True with the id and address text
// of the chosen building; false with both null. A failure to open the lists
// is raised.
bool SelectBuilding(QVariant &buildingId, QVariant &address);
