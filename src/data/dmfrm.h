#pragma once
// The data module: the one connection to the metering database and every
// shared dataset, with the order in which they open.

#include "data/connoptions.h"
#include "data/dataset.h"
#include "data/datasource.h"
#include "data/odbc.h"

#include <QObject>
#include <QVector>

#include <functional>

class IImportProgress;

// What the data module needs to reach the server.
struct TConnectionSettings {
    QString server; // one server, or several separated by commas
    QString database;
    QString userName;
    QString password;
    bool autoConnect = false;
    QString sslMode = QString::fromLatin1(DefaultSSLMode); // a libpq word
    QString sslRootCert;
    int connectTimeout = 10; // seconds for each server
};

// What the data module asks of the main window.
class IDMHost
{
public:
    virtual ~IDMHost() = default;
    virtual void ShowConnState() = 0;
    virtual void EnableDataPages() = 0;
    virtual void DisableDataPages() = 0;
    // The settings to connect with, as the connection page shows them now.
    virtual TConnectionSettings ConnectionSettings() = 0;
    virtual void SelectDatabasePage() = 0;
    // The loading status: status bar text, wait cursor, repaint.
    virtual void SetStatusText(const QString &text) = 0;
    virtual void SetWaitCursor(bool wait) = 0;
    virtual void ProcessEvents() = 0;
    // The record rules' boxes: a confirmation (true for Yes) and a warning.
    virtual bool Confirm(const QString &text) = 0;
    virtual void Warn(const QString &text) = 0;
    // The server asks for a password that the settings do not give (nor
    // ~/.pgpass): asks the operator. False when the operator cancels.
    virtual bool AskPassword(QString &password)
    {
        Q_UNUSED(password);
        return false;
    }
};

class TDM : public QObject
{
    Q_OBJECT
public:
    explicit TDM(QObject *parent = nullptr);
    ~TDM() override;

    void SetHost(IDMHost *host) { m_host = host; }

    // Opens the connection with the settings and opens the start-up datasets.
    void Connect();
    void Disconnect();
    void OpenConnection();
    // After a failed command: when the failure (may be null) or the driver
    // says the connection is gone, closes it as Disconnect does, so that the
    // pages show the disconnected state and Connect starts afresh. After any
    // other database failure (or an unknown one) the server is asked whether
    // the session still works. True when it closed.
    bool CloseIfLost(const std::exception *failure);
    // The deferred start step: disable the data pages, connect if asked to.
    void StartUp();
    // The connection string built from the settings, and what it is made of:
    // with TCP keepalives, and only a server that accepts writes will do.
    static QString ConnectionString(const TConnectionSettings &settings);
    static TConnectionOptions ConnectionOptions(const TConnectionSettings &settings);
    // While connected: the server of the list that answered, and whether
    // the connection is encrypted ("db2:5432, соединение зашифровано
    // (TLSv1.3)"); empty otherwise.
    const QString &ConnectedServer() const { return m_connectedServer; }
    // The after-post step: re-run the dataset and make the posted row current
    // again; a key the server assigned is read with currval of the sequence.
    void RequeryAndLocate(TDataSet &dataSet, const QString &keyField, const QString &sequence);
    // The building address import of a dBase file, reported to the progress;
    // the database is as before unless the import completes.
    void ImportBuildings(const QString &path, IImportProgress &progress);
    // The datasets opened by Connect, in their order.
    const QVector<TDataSet *> &StartupDataSets() const { return m_startup; }
    // Whether the channel's device category names an archive table (false
    // for a channel that is not in qryVDevicesAll).
    bool HasArchiveTable(const QString &vdevid) const;

    TConnection *dbConn;

signals:
    // The street after-post rule made this name the street search; a window
    // that shows the search text shows it.
    void StreetPatternChanged(const QString &pattern);

public:
    // address reference
    TDataSet *qryAdmDistricts, *qryDistricts, *qryAreas, *qryStreets, *qryStreets1, *qryBuildings;
    TDataSource *dsAdmDistricts, *dsDistricts, *dsAreas, *dsStreets, *dsBuildings;
    // organisations, bank accounts, CTP
    TDataSet *qryOrgs, *qryOrgBankAcc, *qryBankAccounts, *qryCTP;
    TDataSource *dsOrgs, *dsOrgBankAcc, *dsCTP;
    // devices and channels
    TDataSet *qryDevices, *qryDevTypes, *qryDevCat, *qryVDevicesAll, *qryVDevices, *qryDevAttr,
        *qryVDevAttr, *qrySelDevice, *qrySelVDevice, *qrySystems, *qryRecTypes;
    TDataSource *dsDevices, *dsDevTypes, *dsVDevices, *dsDevAttr, *dsVDevAttr, *dsSelDevice,
        *dsSelVDevice, *dsSystems, *dsRecTypes;
    // heat and water metering objects
    TDataSet *qryHWObjects, *qryHWUnits, *qryHWUnitDev, *qryHWUnitTypes;
    TDataSource *dsHWObjects, *dsHWUnits, *dsHWUnitDev, *dsHWUnitTypes;
    // electricity contracts
    TDataSet *qryContracts, *qryAbonents, *qryAbonDev, *qryTariffs;
    TDataSource *dsContracts, *dsAbonents, *dsAbonDev, *dsTariffs;
    // water supply contracts
    TDataSet *qryContractsW;
    TDataSource *dsContractsW;

private:
    TDataSet *newDataSet(const char *name, const QStringList &sqlLines);
    TDataSource *newDataSource(TDataSet *dataSet);
    void addLoadingStatus(TDataSet *dataSet);
    // The record rules every edited dataset follows: its key, the re-run and
    // relocation after each post, the confirmation before each delete.
    void bindRecordRules(TDataSet *dataSet, const char *keyField, const char *sequence,
                         const QString &confirmation);
    // Refuses every insert and delete silently, before anything changes.
    void restrictInsertDelete(TDataSet *dataSet);
    bool confirm(const QString &text);
    void warn(const QString &text);

    void createAddressDataSets();
    void createOrgDataSets();
    void createDeviceDataSets();
    void createHeatWaterDataSets();
    void createWaterContractDataSets();
    void createElectricityDataSets();

    // which server of the list answered, asked of the server itself
    QString answeredServer() const;
    // Opens the connection; the options it was opened with, the password
    // the operator gave included.
    TConnectionOptions openConnection();
    // Starts reading the start-up datasets without a master ahead of them,
    // on a second connection in the snapshot of the first, which is then in
    // a transaction until connectDone. Null where that cannot be (a second
    // connection refused, a server without snapshots): they read in turn.
    std::unique_ptr<class TReadAhead> startReadAhead(const TConnectionOptions &options);

    IDMHost *m_host = nullptr;
    QVector<TDataSet *> m_startup;
    QString m_serverField; // the server field of the last connect
    QString m_connectedServer;
};

extern TDM *DM;
