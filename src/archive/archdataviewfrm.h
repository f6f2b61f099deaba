#pragma once
// The archive data viewer: the archive records of one measurement channel for
// one record type over a period, with a column per measured parameter of the
// channel's device category, a size check before each query the operator asks
// for, and the drill-down from a day to its hours. Each viewer is a top-level
// window of its own, destroyed when it is closed.

#include "widgets/listpanel.h"

#include <QDate>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <QWidget>

class QAction;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;
class TArchChart;
class TDataSet;
class TDataSource;
class TDBGrid;

class TArchDataViewForm : public QWidget
{
    Q_OBJECT
public:
    // The limit of records one query may read.
    static constexpr int MaxRecords = 500;

    // Builds the window for a channel of qryVDevicesAll; the record type and
    // the dates are those to show first (null: daily records of the month of
    // the latest one). Errors while building are raised.
    TArchDataViewForm(const QString &vdevid, const QVariant &recType, const QDate &startDate,
                      const QDate &endDate);
    ~TArchDataViewForm() override;

    // The day the windows take for today: the clock's, unless a day was set
    // (an invalid date gives the clock back).
    static QDate Today();
    static void SetToday(const QDate &day);

    const QString &VDevId() const { return m_vdevid; }
    // The record type and period of the data shown.
    QVariant RecType() const { return m_recType; }
    QDate StartDate() const { return m_startDate; }
    QDate EndDate() const { return m_endDate; }
    // The record type chosen in the list (null when none is).
    QVariant SelectedRecType() const;

    // The size check of the period in the boxes; shows its warning and
    // returns false when the query would read too much.
    bool CheckSize();
    // Runs the query for the record type and period of the boxes.
    void RunQuery();
    // Enables the drill-down item: on a data row while daily data are shown.
    void PrepareArchDataMenu();
    // The columns of the table, in their order.
    QList<TGridColumn> TableColumns() const;
    // Writes the records shown to a CSV file; raises EError when it cannot.
    void SaveCsv(const QString &path);

    QLabel *stParams, *stArchData;
    QGroupBox *gbDevice;
    QLabel *lblTypeName, *lblSerNum, *lblVDIX, *lblCType;
    QComboBox *cbRecType;
    QDateEdit *dtpStartDate, *dtpEndDate;
    QLabel *lblMinDT, *lblMaxDT;
    QPushButton *btnRefresh;
    QTabWidget *pcArchData;
    QWidget *tsArchTable, *tsArchChart;
    TDBGrid *dbgrdArchData;
    TArchChart *chrtArchData;
    QLabel *lblRecInfo;
    QPushButton *btnSaveCSV;
    QPushButton *btnClose;
    QMenu *mnuArchData;
    QAction *mnuArchDataViewH;

    TDataSet *qryDTRange, *qryArchData, *qryArchCount;
    TDataSource *dsDTRange, *dsArchData;

public slots:
    // Re-reads the range, checks the size and runs the query; the focus goes
    // to the grid in either case.
    void btnRefreshClick();
    // Opens a viewer of the hours of the current row's day.
    void mnuArchDataViewHClick();
    // Asks for a file and writes the records shown to it.
    void btnSaveCSVClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A column width in pixels, for the grid's font.
    int scaledWidth(int px) const;
    QWidget *createParamsPanel();
    void addParamColumns(const QString &devcatid);
    void selectRecType(const QVariant &recType);
    void readRange();
    void showInitialData();
    void checkParamColumns();
    void updateRecInfo();
    QWidget *createTabs();
    void chartRecordDoubleClicked(int row);

    QString m_vdevid;
    QString m_tblname;
    QStringList m_integrated; // the fields of integrated values
    QVariant m_recType;
    QDate m_startDate, m_endDate;
    bool m_shown = false;
};

// Opens a new viewer for the channel, not modally. A channel without an
// archive table gets the warning and no window (nullptr). The viewer goes with
// the main window at the latest.
TArchDataViewForm *OpenArchiveViewer(const QString &vdevid, const QVariant &recType = QVariant(),
                                     const QDate &startDate = QDate(),
                                     const QDate &endDate = QDate());
