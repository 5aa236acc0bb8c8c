#include "TdsSession.h"

#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace synvora::test::tds {
namespace {

constexpr std::uint32_t kTds74 = 0x74000004;
constexpr std::size_t kLoginFixedPart = 94;
constexpr std::uint8_t kDatabaseChange = 1;
constexpr std::uint8_t kPacketSizeChange = 4;
constexpr std::uint8_t kErrorSeverity = 16;
constexpr std::uint8_t kFatalSeverity = 20;
constexpr std::int32_t kUserError = 50000;
constexpr std::int32_t kLoginFailed = 18456;
constexpr std::int32_t kCannotOpenDatabase = 4060;
constexpr std::int32_t kDatabaseChanged = 5701;
constexpr const char* kProgramName = "TDS test server";

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

void Log(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

/// SQL Server's numbers for the failures that tests meet most; every other error is a user error.
std::int32_t MessageNumber(std::string_view sqlState) {
    static const std::pair<std::string_view, std::int32_t> kNumbers[] = {
        {"42P01", 208},   // invalid object name
        {"42703", 207},   // invalid column name
        {"42601", 102},   // incorrect syntax
        {"22012", 8134},  // divide by zero
        {"23505", 2627},  // unique key violation
    };
    for (const auto& [state, number] : kNumbers) {
        if (state == sqlState) {
            return number;
        }
    }
    return kUserError;
}

struct LoginRequest {
    std::uint32_t version = 0;
    std::uint32_t packetSize = 0;
    std::string user;
    std::string password;
    std::string database;
};

/// The login's fixed part holds (offset, length in characters) pairs for its texts; the
/// password's bytes are scrambled (nibbles swapped, then XOR 0xA5).
std::optional<LoginRequest> ParseLogin(std::string_view payload) {
    if (payload.size() < kLoginFixedPart) {
        return std::nullopt;
    }
    bool valid = true;
    const auto text = [&](int field, bool scrambled) {
        const std::size_t offset = LittleEndian(payload, 36 + 4 * field, 2);
        const std::size_t bytes = 2 * LittleEndian(payload, 38 + 4 * field, 2);
        if (offset + bytes > payload.size()) {
            valid = false;
            return std::string();
        }
        std::string raw(payload.substr(offset, bytes));
        if (scrambled) {
            for (char& c : raw) {
                const auto b = static_cast<unsigned char>(static_cast<unsigned char>(c) ^ 0xA5);
                c = static_cast<char>(((b << 4) | (b >> 4)) & 0xFF);
            }
        }
        return FromUtf16Bytes(raw);
    };
    LoginRequest login;
    login.version = LittleEndian(payload, 4, 4);
    login.packetSize = LittleEndian(payload, 8, 4);
    login.user = text(1, false);
    login.password = text(2, true);
    login.database = text(8, false);
    return valid ? std::optional(login) : std::nullopt;
}

std::size_t AgreedPacketSize(std::uint32_t requested) {
    return requested >= 512 && requested <= 32767 ? requested : 4096;
}

}  // namespace

TdsSession::TdsSession(UniqueFd client, const ServerSettings& settings)
    : m_client(std::move(client)), m_settings(settings) {}

void TdsSession::Run() {
    std::optional<Message> message = m_client.Read();
    if (message && message->type == kPreloginPacket) {
        if (!m_client.Send(kReplyPacket, PreloginReply())) {
            return;
        }
        message = m_client.Read();
    }
    // A client that insisted on encryption would now start its TLS handshake instead.
    if (!message || message->type != kLogin7Packet) {
        Log("no login in the clear: " + (message ? std::to_string(message->type) : std::string("end")));
        return;
    }
    if (!Login(message->payload)) {
        return;
    }
    while ((message = m_client.Read())) {
        if (message->type == kSqlBatchPacket) {
            if (!RunBatch(message->payload)) {
                return;
            }
        } else if (message->type == kAttentionPacket) {
            // The batch ended before the attention arrived; it is acknowledged all the same.
            std::string tokens;
            AppendDone(tokens, kDoneAttention);
            Reply(tokens);
        } else {
            std::string tokens;
            AppendMessage(tokens, {kUserError, 1, kErrorSeverity,
                                   "The TDS test server takes SQL batches only (message type " +
                                       std::to_string(message->type) + ").",
                                   m_settings.name, 1});
            AppendDone(tokens, kDoneError);
            Reply(tokens);
        }
    }
}

bool TdsSession::Login(const std::string& payload) {
    const std::optional<LoginRequest> login = ParseLogin(payload);
    if (!login) {
        Log("malformed login");
        return false;
    }
    // The program sets FreeTDS up for TDS 7.4; another version means the set-up did not reach it.
    if (login->version != kTds74) {
        return RefuseLogin(login->user, login->database, "TDS version " + std::to_string(login->version));
    }
    const std::string database = login->database.empty() ? "postgres" : login->database;
    const char* keys[] = {"host", "port", "dbname", "user", "password", "client_encoding", "connect_timeout",
                          nullptr};
    const char* values[] = {m_settings.postgresHost.c_str(),
                            m_settings.postgresPort.c_str(),
                            database.c_str(),
                            login->user.c_str(),
                            login->password.c_str(),
                            "UTF8",
                            "10",
                            nullptr};
    m_postgres.reset(PQconnectdbParams(keys, values, 0));
    if (PQstatus(m_postgres.get()) != CONNECTION_OK) {
        return RefuseLogin(login->user, database, PQerrorMessage(m_postgres.get()));
    }
    PQsetNoticeReceiver(
        m_postgres.get(),
        [](void* session, const PGresult* notice) { static_cast<TdsSession*>(session)->OnNotice(notice); },
        this);

    const std::size_t packetSize = AgreedPacketSize(login->packetSize);
    std::string tokens;
    AppendEnvironmentChange(tokens, kDatabaseChange, database, "master");
    AppendMessage(tokens, {kDatabaseChanged, 2, 0, "Changed database context to '" + database + "'.",
                           m_settings.name, 1});
    AppendLoginAck(tokens, kProgramName);
    AppendEnvironmentChange(tokens, kPacketSizeChange, std::to_string(packetSize),
                            std::to_string(packetSize));
    AppendDone(tokens, kDoneFinal);
    const bool sent = Reply(tokens);
    m_client.SetPacketSize(packetSize);
    return sent;
}

// As SQL Server answers every refused login: "Login failed", class 14, after the reason when the
// database is the reason. Then the connection ends.
bool TdsSession::RefuseLogin(const std::string& user, const std::string& database,
                             const std::string& reason) {
    Log("login of " + user + " to " + database + " refused: " + reason);
    std::string tokens;
    if (reason.find("database \"" + database + "\" does not exist") != std::string::npos) {
        AppendMessage(tokens,
                      {kCannotOpenDatabase, 1, 11,
                       "Cannot open database \"" + database + "\" requested by the login. The login failed.",
                       m_settings.name, 1});
    }
    AppendMessage(tokens, {kLoginFailed, 1, 14, "Login failed for user '" + user + "'.", m_settings.name, 1});
    AppendDone(tokens, kDoneError);
    Reply(tokens);
    return false;
}

// Statements run one by one, as SQL Server runs a batch: each commits on its own unless the batch
// opens a transaction, and the first one that fails ends the batch. One at a time, the server's
// notices cannot overtake the result of the statement before them.
bool TdsSession::RunBatch(const std::string& payload) {
    // The batch text follows the headers block, which starts with its own length.
    const std::size_t headers = payload.size() >= 4 ? LittleEndian(payload, 0, 4) : 0;
    const std::vector<BatchStatement> statements =
        SplitStatements(FromUtf16Bytes(std::string_view(payload).substr(std::min(headers, payload.size()))));
    m_tokens.clear();
    m_pendingDone.reset();
    m_failed = false;
    m_attention = false;
    for (const BatchStatement& statement : statements) {
        if (!RunStatement(statement)) {
            break;
        }
    }
    m_statement = nullptr;
    if (m_clientGone) {
        return false;
    }
    if (m_attention) {
        // The client throws away everything up to the acknowledgement.
        m_tokens.clear();
        AppendDone(m_tokens, kDoneAttention);
    } else if (m_pendingDone) {
        AppendDone(m_tokens, *m_pendingDone, m_pendingRows);
    } else {
        AppendDone(m_tokens, kDoneFinal);
    }
    // A session that PostgreSQL ended (a terminated backend) ends the connection, as a killed
    // session does.
    return Reply(m_tokens) && PQstatus(m_postgres.get()) == CONNECTION_OK;
}

bool TdsSession::RunStatement(const BatchStatement& statement) {
    m_statement = &statement;
    // The previous statement is done before this one says anything.
    FlushPendingDone();
    if (PQsendQuery(m_postgres.get(), statement.text.c_str()) == 0) {
        AppendMessage(m_tokens, {kUserError, 1, kFatalSeverity, PQerrorMessage(m_postgres.get()),
                                 m_settings.name, statement.line});
        m_pendingDone = kDoneError;
        return false;
    }
    CollectResults();
    return !m_failed && !m_attention && !m_clientGone;
}

void TdsSession::CollectResults() {
    PGconn* postgres = m_postgres.get();
    for (;;) {
        while (PQisBusy(postgres) == 0) {
            PGresult* result = PQgetResult(postgres);
            if (result == nullptr) {
                return;
            }
            AddResult(result);
        }
        pollfd watched[2] = {{PQsocket(postgres), POLLIN, 0},
                             {m_clientGone ? -1 : m_client.Descriptor(), POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0 && errno != EINTR) {
            m_clientGone = true;
            Cancel();
            return;
        }
        if (watched[1].revents != 0) {
            const std::optional<Message> message = m_client.Read();
            if (!message) {
                m_clientGone = true;
                Cancel();
            } else if (message->type == kAttentionPacket) {
                m_attention = true;
                Cancel();
            }
        }
        if (watched[0].revents != 0) {
            // A failure shows in the next result.
            PQconsumeInput(postgres);
        }
    }
}

void TdsSession::AddResult(PGresult* result) {
    const std::unique_ptr<PGresult, decltype(&PQclear)> owned(result, PQclear);
    switch (PQresultStatus(result)) {
        case PGRES_TUPLES_OK:
            FlushPendingDone();
            AddRows(result);
            m_pendingDone = kDoneCount;
            m_pendingRows = static_cast<std::uint64_t>(PQntuples(result));
            break;
        case PGRES_COMMAND_OK: {
            FlushPendingDone();
            // Commands that touch rows tell how many; the others (CREATE, DO, ...) tell nothing.
            const std::string rows = PQcmdTuples(result);
            m_pendingDone = rows.empty() ? kDoneFinal : kDoneCount;
            m_pendingRows = rows.empty() ? 0 : std::strtoull(rows.c_str(), nullptr, 10);
            break;
        }
        case PGRES_EMPTY_QUERY:
            break;
        case PGRES_COPY_IN:
            // Batches carry no data for COPY; the server answers the refusal with an error.
            PQputCopyEnd(m_postgres.get(), "COPY is not supported by the TDS test server");
            break;
        case PGRES_COPY_OUT: {
            char* row = nullptr;
            while (PQgetCopyData(m_postgres.get(), &row, 0) > 0) {
                PQfreemem(row);
            }
            break;
        }
        default:
            FlushPendingDone();
            if (!m_attention) {
                AppendMessage(m_tokens, ErrorOf(result));
            }
            m_pendingDone = kDoneError;
            m_pendingRows = 0;
            m_failed = true;
            break;
    }
}

void TdsSession::AddRows(const PGresult* result) {
    const int columns = PQnfields(result);
    std::vector<std::string> names;
    for (int column = 0; column < columns; ++column) {
        names.emplace_back(PQfname(result, column));
    }
    AppendColumns(m_tokens, names);
    std::vector<std::optional<std::string>> values(static_cast<std::size_t>(columns));
    for (int row = 0; row < PQntuples(result); ++row) {
        for (int column = 0; column < columns; ++column) {
            values[static_cast<std::size_t>(column)] =
                PQgetisnull(result, row, column) != 0
                    ? std::nullopt
                    : std::optional<std::string>(
                          std::string(PQgetvalue(result, row, column),
                                      static_cast<std::size_t>(PQgetlength(result, row, column))));
        }
        AppendRow(m_tokens, values);
    }
}

// Notices (RAISE NOTICE and the server's own) arrive as PRINT output does: number 0, class 0.
void TdsSession::OnNotice(const PGresult* notice) {
    if (m_attention) {
        return;
    }
    const char* text = PQresultErrorField(notice, PG_DIAG_MESSAGE_PRIMARY);
    AppendMessage(m_tokens, {0, 1, 0, text != nullptr ? text : "", m_settings.name,
                             m_statement ? m_statement->line : 1});
}

void TdsSession::Cancel() {
    PGcancel* cancel = PQgetCancel(m_postgres.get());
    if (cancel != nullptr) {
        char failure[256];
        PQcancel(cancel, failure, sizeof(failure));
        PQfreeCancel(cancel);
    }
}

void TdsSession::FlushPendingDone() {
    if (m_pendingDone) {
        AppendDone(m_tokens, *m_pendingDone | kDoneMore, m_pendingRows);
        m_pendingDone.reset();
    }
}

ServerMessage TdsSession::ErrorOf(const PGresult* result) const {
    const auto field = [&](int code) {
        const char* value = PQresultErrorField(result, code);
        return value != nullptr ? std::string(value) : std::string();
    };
    std::string text = field(PG_DIAG_MESSAGE_PRIMARY);
    if (text.empty()) {
        // Failures of the connection itself come from the client library without fields.
        text = PQresultErrorMessage(result);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
            text.pop_back();
        }
    }
    const std::string severity = field(PG_DIAG_SEVERITY_NONLOCALIZED);
    const bool fatal =
        severity == "FATAL" || severity == "PANIC" || PQstatus(m_postgres.get()) != CONNECTION_OK;
    const std::string position = field(PG_DIAG_STATEMENT_POSITION);
    const int line = position.empty() ? m_statement->line : m_statement->LineOfPosition(std::stol(position));
    return {MessageNumber(field(PG_DIAG_SQLSTATE)),
            1,
            fatal ? kFatalSeverity : kErrorSeverity,
            text,
            m_settings.name,
            line};
}

bool TdsSession::Reply(const std::string& tokens) {
    return m_client.Send(kReplyPacket, tokens);
}

}  // namespace synvora::test::tds
