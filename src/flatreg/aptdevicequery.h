#pragma once
// The call of add_aptdevice on a connection: one prepared statement with the
// five values bound as typed parameters, reused for every row, so that a cell
// text reaches the server exactly as it stands.

#include "flatreg/registrationrun.h"

#include <memory>

class TConnection;
class TStatement;

class TAptDeviceQuery : public IAptDeviceCall
{
public:
    static constexpr const char *Sql = "SELECT add_aptdevice(?, ?, ?, ?, ?)";

    explicit TAptDeviceQuery(TConnection &connection);
    ~TAptDeviceQuery() override;

    // Prepares the statement on first use, and again after a failure, so that
    // one failed row never spoils the next. Raises EDatabaseError, also when
    // the answer has no integer column "add_aptdevice".
    int AddAptDevice(int objectId, const QString &flat, int systemId, const QString &channelName,
                     const QString &date) override;

private:
    TConnection &m_conn;
    std::unique_ptr<TStatement> m_stmt;
};
