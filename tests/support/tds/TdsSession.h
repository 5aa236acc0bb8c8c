#pragma once

#include <libpq-fe.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "BatchStatements.h"
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
    /// Runs one statement of the batch; false when the batch cannot go on (a failure, an
    /// attention, a client that has gone).
    bool RunStatement(const BatchStatement& statement);
    /// Waits for the statement's results while watching the client for an attention.
    void CollectResults();
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
    const BatchStatement* m_statement = nullptr;
    std::string m_tokens;
    std::optional<std::uint16_t> m_pendingDone;
    std::uint64_t m_pendingRows = 0;
    bool m_failed = false;
    bool m_attention = false;
    bool m_clientGone = false;
};

}  // namespace synvora::test::tds
