#pragma once
// The flat register window: loads a table of per-flat meters from the
// clipboard or a ";"-separated file, keeps the hot- and cold-water meter name
// lists, and registers every row against the chosen metering object.

#include "flatreg/namelistfile.h"

#include <QDialog>

#include <memory>

class QGroupBox;
class QLabel;
class QListWidget;
class QTabWidget;
class QTableWidget;
class QToolButton;
class TAptDeviceQuery;
class TDBLookupComboBox;
class TFlatTable;

class TFlatRegisterForm : public QDialog
{
    Q_OBJECT
public:
    // The columns of the table.
    enum Column {
        colFlat = 0,
        colMeterNumber,
        colPlace,
        colMeterName,
        colConcentrator,
        colChannel,
        colDate,
        colStatus,
        ColumnCount
    };
    static QStringList ColumnTitles();
    // The built-in names of a list whose file is missing or unreadable.
    static QStringList BuiltInHotNames();
    static QStringList BuiltInColdNames();

    explicit TFlatRegisterForm(QWidget *owner = nullptr);
    ~TFlatRegisterForm() override;

    // Fills the table from a text; false (the table left as it was, the reason
    // shown) when the text is too large to be a table.
    bool LoadTable(const QString &text, QChar separator);
    // At least eight columns, the eight titles, the stored column widths.
    void SetupGrid();
    void ClearStatusColumn();
    // 2 for a hot-water meter name, 3 for a cold-water one, -1 otherwise.
    int DeviceSystemId(const QString &name) const;
    // The table as text cells, the title row first.
    TFlatTable Table() const;

    int StoredColWidths[10] = {};
    QString GVSFileName, XVSFileName;
    // A run registered at least one row.
    bool Registered = false;

    QToolButton *FromClipboardButton, *FromFileButton, *SaveButton, *AddNewButton, *RunButton,
        *CloselButton;
    QGroupBox *gbObject;
    TDBLookupComboBox *DBLookupComboBox;
    QLabel *Label;
    QTabWidget *PageControl;
    QWidget *tsData, *tsSettings, *tsLog;
    QTableWidget *SG;
    QListWidget *GVSListBox, *XVSListBox;
    QToolButton *AddButton, *EditButton, *DelButton, *SpeedButton1, *SpeedButton2, *SpeedButton3;
    QListWidget *ListBox;
    // The statement of the run, on the data module's connection.
    std::unique_ptr<TAptDeviceQuery> Query;

public slots:
    void FromClipboardButtonClick();
    void FromFileButtonClick();
    void SaveButtonClick();
    void AddNewButtonClick();
    void RunButtonClick();
    void CloselButtonClick();
    void DBLookupComboBoxClick();
    // One handler per action serves both lists; the tag of the control that
    // fired it picks the list (0 hot water, 1 cold water).
    void AddButtonClick();
    void EditButtonClick();
    void DelButtonClick();

private:
    QWidget *createToolBar();
    QWidget *createObjectBox();
    QWidget *createDataPage();
    QWidget *createSettingsPage();
    QWidget *createLogPage();
    QWidget *createNameBox(const QString &title, int tag, QListWidget *&list, QToolButton *&add,
                           QToolButton *&edit, QToolButton *&del, const char *addName,
                           const char *editName, const char *delName);
    int senderTag() const;
    QListWidget *listOfTag(int tag) const;
    TNameListFile &fileOfTag(int tag);
    void editName(int tag);
    void loadNameLists();
    void saveNameLists();
    void showTable(const TFlatTable &table);
    bool objectChosen(int &objectId) const;

    TNameListFile m_gvsFile, m_xvsFile;
};

// The window of the flat register command while it is open, null otherwise.
extern TFlatRegisterForm *FlatRegisterForm;

// The flat register command of the main menu: shows the window modally over
// the owner and destroys it; when it registered anything, the metering units,
// the channel list and the device selection list are read again.
void FlatRegisterCommand(QWidget *owner);
