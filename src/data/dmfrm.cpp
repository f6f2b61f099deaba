#include "data/dmfrm.h"

#include "data/dberrors.h"

TDM *DM = nullptr;

TDM::TDM(QObject *parent) : QObject(parent), dbConn(new TConnection(this))
{
    setObjectName(QStringLiteral("DM"));
    createAddressDataSets();
    createOrgDataSets();
    createDeviceDataSets();
    createHeatWaterDataSets();
    createWaterContractDataSets();
    createElectricityDataSets();

    m_startup = {qryAdmDistricts, qryDistricts, qryAreas,     qryOrgs,       qryBankAccounts,
                 qryDevCat,       qryDevTypes,  qryDevices,   qryVDevicesAll, qryVDevices,
                 qrySelDevice,    qrySelVDevice, qryRecTypes, qrySystems,    qryCTP,
                 qryHWUnitTypes,  qryHWObjects, qryHWUnits,   qryHWUnitDev,  qryContractsW,
                 qryTariffs,      qryContracts, qryAbonents,  qryAbonDev};

    connect(dbConn, &TConnection::Opened, this, [this] {
        if (m_host) {
            m_host->ShowConnState();
            m_host->EnableDataPages();
        }
    });
    connect(dbConn, &TConnection::Closed, this, [this] {
        if (m_host) {
            m_host->ShowConnState();
            m_host->DisableDataPages();
        }
    });
}

TDM::~TDM()
{
    m_host = nullptr;
    Disconnect();
}

TDataSet *TDM::newDataSet(const char *name, const QStringList &sqlLines)
{
    auto *ds = new TDataSet(QString::fromLatin1(name), dbConn, this);
    ds->SetSQL(sqlLines.join(QLatin1Char('\n')));
    return ds;
}

TDataSource *TDM::newDataSource(TDataSet *dataSet)
{
    QString name = dataSet->objectName();
    name.replace(0, 3, QStringLiteral("ds")); // qryOrgs -> dsOrgs
    return new TDataSource(name, dataSet, this);
}

void TDM::addLoadingStatus(TDataSet *dataSet)
{
    dataSet->BeforeOpen.push_back([this](TDataSet &) {
        if (!m_host)
            return;
        m_host->SetStatusText(QStringLiteral(" Подождите, идет загрузка данных..."));
        m_host->SetWaitCursor(true);
        m_host->ProcessEvents();
    });
    dataSet->AfterOpen.push_back([this](TDataSet &) {
        if (!m_host)
            return;
        m_host->SetWaitCursor(false);
        m_host->SetStatusText(QStringLiteral(" Данные загружены"));
        m_host->ProcessEvents();
    });
    // a list a window opens may fail as well: the wait cursor must not stay
    dataSet->OpenFailed.push_back([this](TDataSet &) {
        if (!m_host)
            return;
        m_host->SetWaitCursor(false);
        m_host->SetStatusText(QStringLiteral(" Ошибка загрузки данных!"));
    });
}

void TDM::bindRecordRules(TDataSet *dataSet, const char *keyField, const char *sequence,
                          const QString &confirmation)
{
    const QString key = QString::fromLatin1(keyField);
    const QString seq = QString::fromLatin1(sequence);
    dataSet->SetKeyField(key);
    dataSet->AfterPost.push_back(
        [this, key, seq](TDataSet &ds) { RequeryAndLocate(ds, key, seq); });
    dataSet->BeforeDelete.push_back([this, confirmation](TDataSet &) {
        if (!confirm(confirmation))
            throw EAbort();
    });
}

void TDM::restrictInsertDelete(TDataSet *dataSet)
{
    const auto refuse = [](TDataSet &) { throw EAbort(); };
    dataSet->BeforeInsert.push_back(refuse);
    dataSet->BeforeDelete.push_back(refuse);
}

bool TDM::confirm(const QString &text)
{
    return m_host ? m_host->Confirm(text) : false;
}

void TDM::warn(const QString &text)
{
    if (m_host)
        m_host->Warn(text);
}

void TDM::RequeryAndLocate(TDataSet &dataSet, const QString &keyField, const QString &sequence)
{
    QVariant key = dataSet.FieldValue(keyField);
    if (key.isNull() && !sequence.isEmpty()) {
        TStatement st(*dbConn);
        st.ExecDirect(QStringLiteral("SELECT currval(CAST(? AS regclass))"),
                      {{FieldType::String, sequence}});
        key = st.FetchScalar();
    }
    dataSet.DisableControls();
    try {
        dataSet.Requery();
        if (!key.isNull())
            dataSet.Locate(keyField, key);
    } catch (...) {
        dataSet.EnableControls();
        throw;
    }
    dataSet.EnableControls();
}

QString TDM::ConnectionString(const TConnectionSettings &settings)
{
    return BuildConnectionString(settings.server, settings.database, settings.userName,
                                 settings.password);
}

void TDM::OpenConnection()
{
    Disconnect();
    if (!m_host)
        throw EError(QStringLiteral("Параметры соединения не заданы"));
    dbConn->Open(ConnectionString(m_host->ConnectionSettings()));
}

void TDM::Connect()
{
    OpenConnection();
    try {
        for (TDataSet *ds : m_startup)
            ds->Open();
    } catch (...) {
        Disconnect();
        if (m_host) {
            m_host->SetWaitCursor(false);
            m_host->SetStatusText(QStringLiteral(" Ошибка загрузки данных!"));
        }
        throw;
    }
}

void TDM::Disconnect()
{
    if (dbConn->IsOpen())
        dbConn->Close();
}

bool TDM::CloseIfLost(const std::exception *failure)
{
    if (!dbConn->IsOpen())
        return false;
    const auto *dbError = dynamic_cast<const EDatabaseError *>(failure);
    if (!(dbError && dbError->ConnectionLost()) && !dbConn->IsLost()) {
        // A failure of the program's own (a file, a check) says nothing about
        // the link; a failed statement may come from a server that went away.
        if (failure && !dbError)
            return false;
        try {
            dbConn->RaiseIfLost();
            return false;
        } catch (const EDatabaseError &) {
        }
    }
    Disconnect();
    return true;
}

void TDM::StartUp()
{
    if (!m_host)
        return;
    m_host->DisableDataPages();
    if (m_host->ConnectionSettings().autoConnect) {
        try {
            Connect();
        } catch (...) {
            if (m_host)
                m_host->SelectDatabasePage();
            throw;
        }
    }
}
