#pragma once

#include <libpq-fe.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "BatchLines.h"
#include "TdsWire.h"

namespace synvora::test::tds {

/// Where the sessions run their SQL and what they call themselves.
struct ServerSettings {
    std::string name;  // the server name of every message
    std::string postgresHost;
    std::string postgresPort;
};

/// One client from PRELOGIN to its last batch, with a PostgreSQL session of its own opened with
/// the login's user, password and database.
class TdsSession {
public:
    TdsSession(UniqueFd client, const ServerSettings& settings);

    /// Serves the client until it leaves, the login fails or the PostgreSQL session ends.
    void Run();

private:
    struct Finisher {
        void operator()(PGconn* connection) const { PQfinish(connection); }
    };

    bool Login(const std::string& payload);
    bool RefuseLogin(const std::string& user, const std::string& database, const std::string& reason);
    /// Runs one batch and sends its reply; false when the session cannot go on.
    bool RunBatch(const std::string& payload);
    /// Waits for the batch's results while watching the client for an attention; false when the
    /// client has gone.
    bool CollectResults();
    void AddResult(PGresult* result);
    void AddRows(const PGresult* result);
    void OnNotice(const PGresult* notice);
    void Cancel();
    /// The DONE of the previous statement, now known not to be the last.
    void FlushPendingDone();
    ServerMessage ErrorOf(const PGresult* result) const;
    bool Reply(const std::string& tokens);

    PacketStream m_client;
    const ServerSettings& m_settings;
    std::unique_ptr<PGconn, Finisher> m_postgres;
    // The batch being run.
    std::optional<BatchLines> m_lines;
    std::string m_tokens;
    std::optional<std::uint16_t> m_pendingDone;
    std::uint64_t m_pendingRows = 0;
    std::size_t m_statement = 0;
    bool m_attention = false;
};

}  // namespace synvora::test::tds
