#include "data/dmfrm.h"

#include "base/heap.h"
#include "data/dberrors.h"
#include "data/readahead.h"

#include <QByteArray>
#include <QScopeGuard>

TDM *DM = nullptr;

namespace {

// The password reaches libpq as PGPASSWORD while the driver connects, not in
// the connection string: psqlODBC's debug log (Debug=1 in odbcinst.ini)
// writes that string whole. An empty password leaves libpq its own rule
// (PGPASSWORD of the program's environment, then ~/.pgpass).
class TPasswordForConnect
{
public:
    explicit TPasswordForConnect(const QString &password) : m_set(!password.isEmpty())
    {
        if (!m_set)
            return;
        m_had = qEnvironmentVariableIsSet("PGPASSWORD");
        m_old = qgetenv("PGPASSWORD");
        qputenv("PGPASSWORD", password.toUtf8());
    }
    ~TPasswordForConnect()
    {
        if (!m_set)
            return;
        if (m_had)
            qputenv("PGPASSWORD", m_old);
        else
            qunsetenv("PGPASSWORD");
    }
    TPasswordForConnect(const TPasswordForConnect &) = delete;
    TPasswordForConnect &operator=(const TPasswordForConnect &) = delete;

private:
    bool m_set;
    bool m_had = false;
    QByteArray m_old;
};

// The time-out travels in the connection string (pqopt connect_timeout), the
// password beside it, never in it.
void openWith(TConnection &connection, const TConnectionOptions &options,
              const QString &extra = QString())
{
    TConnectionOptions withoutPassword = options;
    withoutPassword.password.clear();
    const TPasswordForConnect password(options.password);
    connection.Open(BuildConnectionString(withoutPassword) + extra, 0);
}

} // namespace

TDM::TDM(QObject *parent) : QObject(parent), dbConn(new TConnection(this))
{
    setObjectName(QStringLiteral("DM"));
    createAddressDataSets();
    createOrgDataSets();
    createDeviceDataSets();
    createHeatWaterDataSets();
    createWaterContractDataSets();
    createElectricityDataSets();

    m_startup = {qryAdmDistricts, qryDistricts,  qryAreas,    qryOrgs,        qryBankAccounts,
                 qryDevCat,       qryDevTypes,   qryDevices,  qryVDevicesAll, qryVDevices,
                 qrySelDevice,    qrySelVDevice, qryRecTypes, qrySystems,     qryCTP,
                 qryHWUnitTypes,  qryHWObjects,  qryHWUnits,  qryHWUnitDev,   qryContractsW,
                 qryTariffs,      qryContracts,  qryAbonents, qryAbonDev};

    connect(dbConn, &TConnection::Opened, this, [this] {
        m_connectedServer = answeredServer();
        if (m_host) {
            m_host->ShowConnState();
            m_host->EnableDataPages();
        }
    });
    connect(dbConn, &TConnection::Closed, this, [this] {
        m_connectedServer.clear();
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
    const auto refuse = [](TDataSet &) {
        throw EAbort();
    };
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

TConnectionOptions TDM::ConnectionOptions(const TConnectionSettings &settings)
{
    TConnectionOptions o;
    o.server = settings.server;
    o.database = settings.database;
    o.user = settings.userName;
    o.password = settings.password;
    o.sslMode = settings.sslMode;
    o.sslRootCert = settings.sslRootCert;
    o.connectTimeout = settings.connectTimeout;
    o.keepalives = true;
    o.readWrite = true;
    return o;
}

QString TDM::ConnectionString(const TConnectionSettings &settings)
{
    return BuildConnectionString(ConnectionOptions(settings));
}

void TDM::OpenConnection()
{
    openConnection();
}

TConnectionOptions TDM::openConnection()
{
    Disconnect();
    if (!m_host)
        throw EError(QStringLiteral("Параметры соединения не заданы"));
    const TConnectionSettings settings = m_host->ConnectionSettings();
    TConnectionOptions o = ConnectionOptions(settings);
    // a file that is no certificate would only show as a failed handshake
    if (!o.sslRootCert.isEmpty()) {
        if (const QString problem = CheckRootCertificate(o.sslRootCert); !problem.isEmpty())
            throw EDatabaseError(QStringLiteral("Соединение не установлено: %1.").arg(problem));
    }
    m_serverField = o.server;
    for (;;) {
        try {
            openWith(*dbConn, o);
            return o;
        } catch (const EDatabaseError &e) {
            // no password given and none in ~/.pgpass: the operator is asked
            if (o.password.isEmpty() && PasswordWasMissing(e.message())) {
                if (!m_host || !m_host->AskPassword(o.password))
                    throw EAbort();
                continue;
            }
            throw EDatabaseError(ExplainConnectFailure(e.message(), o), e.sqlState());
        }
    }
}

std::unique_ptr<TReadAhead> TDM::startReadAhead(const TConnectionOptions &options)
{
    QVector<TReadAhead::Job> jobs;
    for (TDataSet *ds : m_startup) {
        if (ds->Active() || ds->Master() || ds->Fields().isEmpty())
            continue;
        try {
            jobs.append({ds, ds->ReadRequest()});
        } catch (const EDatabaseError &) {
            // the dataset reads itself and says what is wrong
        }
    }
    if (jobs.size() < 2)
        return nullptr;
    // Two readers: the largest lists (devices, channels) then read on the
    // server side by side.
    constexpr int Readers = 2;
    std::vector<std::unique_ptr<TConnection>> readers;
    bool inSnapshot = false;
    try {
        QString snapshot;
        for (int i = 0; i < Readers; ++i) {
            auto reader = std::make_unique<TConnection>();
            // no savepoint around each statement: the snapshot is exported
            // and set at the top level of the transactions
            openWith(*reader, options, QStringLiteral("Protocol=7.4-1;"));
            reader->BeginTransaction();
            reader->Execute(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"));
            if (i == 0) {
                TStatement exportSnapshot(*reader);
                exportSnapshot.ExecDirect(QStringLiteral("SELECT pg_export_snapshot()"));
                snapshot = exportSnapshot.FetchScalar().toString();
                if (!IsSnapshotId(snapshot))
                    return nullptr;
            } else {
                reader->Execute(QStringLiteral("SET TRANSACTION SNAPSHOT '%1'").arg(snapshot));
            }
            // the lists are read through cursors, and read whole: planned
            // for all their rows, not for the first ones; and not compiled
            // to machine code, which costs a large list (the channels of a
            // city four times the demo's) more than it saves. A server
            // without the setting has nothing to turn off.
            reader->Execute(QStringLiteral("SET LOCAL cursor_tuple_fraction = 1"));
            reader->Execute(QStringLiteral("SELECT set_config(name, 'off', true) FROM pg_settings"
                                           " WHERE name = 'jit'"));
            readers.push_back(std::move(reader));
        }
        // one statement, so that the driver sets no savepoint between them
        inSnapshot = true;
        TStatement(*dbConn).ExecDirect(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ; "
                                                      "SET TRANSACTION SNAPSHOT '%1'")
                                           .arg(snapshot));
    } catch (const EDatabaseError &) {
        if (inSnapshot) {
            try {
                TStatement(*dbConn).ExecDirect(QStringLiteral("ROLLBACK"));
            } catch (const EDatabaseError &) {
                // a connection that fails here fails the first dataset too
            }
        }
        return nullptr;
    }
    return std::make_unique<TReadAhead>(std::move(readers), std::move(jobs));
}

QString TDM::answeredServer() const
{
    QString answer;
    try {
        TStatement st(*dbConn);
        st.ExecDirect(QStringLiteral(
            "SELECT coalesce(host(inet_server_addr()), '') || '|' || current_setting('port')"
            " || '|' || coalesce((SELECT version FROM pg_stat_ssl"
            " WHERE pid = pg_backend_pid() AND ssl), '')"));
        answer = st.FetchScalar().toString();
    } catch (const EDatabaseError &) {
        return QString(); // says nothing of the connection: it stands
    }
    const QString address = answer.section(QLatin1Char('|'), 0, 0);
    const QString port = answer.section(QLatin1Char('|'), 1, 1);
    const QString tls = answer.section(QLatin1Char('|'), 2, 2);
    // the entry of the server field: the only one, the only one on that
    // port, or the one written as that address
    const QVector<TServerAddress> list = ParseServerList(m_serverField);
    QString server;
    if (list.size() == 1)
        server = list.constFirst().Text();
    QVector<TServerAddress> onPort;
    for (const TServerAddress &a : list)
        if ((a.port.isEmpty() ? QStringLiteral("5432") : a.port) == port)
            onPort << a;
    if (server.isEmpty() && onPort.size() == 1)
        server = onPort.constFirst().Text();
    for (const TServerAddress &a : std::as_const(onPort))
        if (server.isEmpty() &&
            (address.isEmpty() ? a.host.startsWith(QLatin1Char('/')) : a.host == address))
            server = a.Text();
    if (server.isEmpty())
        server = address.isEmpty() ? QStringLiteral("локальный сокет, порт ") + port
                                   : TServerAddress{address, port}.Text();
    return tls.isEmpty() ? QStringLiteral("%1, соединение не зашифровано").arg(server)
                         : QStringLiteral("%1, соединение зашифровано (%2)").arg(server, tls);
}

void TDM::Connect()
{
    const TConnectionOptions used = openConnection();
    try {
        std::unique_ptr<TReadAhead> ahead = startReadAhead(used);
        for (TDataSet *ds : m_startup)
            ds->SetReadAhead(ahead.get());
        const auto detach = qScopeGuard([this] {
            for (TDataSet *ds : m_startup)
                ds->SetReadAhead(nullptr);
        });
        for (TDataSet *ds : m_startup)
            ds->Open();
        if (ahead) {
            ahead.reset();
            // the end of the snapshot's transaction: it only read
            TStatement(*dbConn).ExecDirect(QStringLiteral("COMMIT"));
        }
        // The driver held each list whole until its rows were taken; the
        // pages it freed go back to the system rather than stay resident.
        ReleaseFreedMemory();
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
