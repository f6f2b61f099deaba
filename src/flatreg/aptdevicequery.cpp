#include "flatreg/aptdevicequery.h"

#include "data/dberrors.h"
#include "data/odbc.h"

TAptDeviceQuery::TAptDeviceQuery(TConnection &connection) : m_conn(connection) {}

TAptDeviceQuery::~TAptDeviceQuery() = default;

int TAptDeviceQuery::AddAptDevice(int objectId, const QString &flat, int systemId,
                                  const QString &channelName, const QString &date)
{
    try {
        if (!m_stmt) {
            auto stmt = std::make_unique<TStatement>(m_conn);
            stmt->Prepare(QString::fromLatin1(Sql));
            m_stmt = std::move(stmt);
        }
        m_stmt->Execute({{FieldType::Integer, objectId},
                         {FieldType::String, flat},
                         {FieldType::Integer, systemId},
                         {FieldType::String, channelName},
                         {FieldType::String, date}});
        const QVector<ColumnInfo> &columns = m_stmt->Columns();
        if (columns.isEmpty() || columns.constFirst().name != QLatin1String("add_aptdevice"))
            throw EDatabaseError(QStringLiteral("В ответе сервера нет столбца add_aptdevice"));
        const QVariant code = m_stmt->FetchScalar();
        m_stmt->CloseCursor();
        bool ok = false;
        const int value = code.toInt(&ok);
        if (code.isNull() || !ok)
            throw EDatabaseError(QStringLiteral("Сервер не вернул код результата add_aptdevice"));
        return value;
    } catch (...) {
        m_stmt.reset();
        throw;
    }
}
