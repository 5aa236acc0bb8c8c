// A TDS 7.4 server for the tests, so that the production ODBC driver (FreeTDS) can be run against
// something: it speaks the protocol as far as that driver needs it and runs what it receives on the
// PostgreSQL test server.
//
// It stands in for the protocol, not for SQL Server's dialect: batches are PostgreSQL SQL. Their
// statements run one by one, each committing on its own unless the batch opens a transaction, and
// the first failing statement ends the batch (SQL Server goes on after most errors). What it
// speaks: PRELOGIN (encryption not supported, so the login comes in the clear), LOGIN7 (TDS 7.4
// only; user, password and database become a PostgreSQL session of the same login; a refused login
// answers 18456 "Login failed", class 14), and SQL batches, whose results come back as column
// descriptions and rows (every column NVARCHAR(MAX), every value as PostgreSQL prints it) with
// row counts, notices as PRINT messages (class 0) and errors with a number (SQL Server's for a few
// common failures, 50000 for the others), class 16, state 1, this server's name and the line in
// the batch. An attention cancels the running statement and is acknowledged. No RPC, no
// transaction-manager requests, no prepared statements, no COPY, no encryption, no MARS.
//
// Usage: tds_test_server --name SERVERNAME --postgres-port PORT [--postgres-host HOST]
// The listening socket is its standard input; it serves each connection on a thread of its own
// and ends with its parent.

#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>

#include "TdsSession.h"

int main(int argc, char** argv) {
    synvora::test::tds::ServerSettings settings{"TDSTEST", "127.0.0.1", "5432"};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--name") {
            settings.name = value;
        } else if (option == "--postgres-port") {
            settings.postgresPort = value;
        } else if (option == "--postgres-host") {
            settings.postgresHost = value;
        } else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            return 2;
        }
    }
    // Whatever way the test program ends, this server ends with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() == 1) {
        return 0;
    }
    for (;;) {
        const int client = ::accept4(STDIN_FILENO, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            std::perror("accept");
            return 1;
        }
        std::thread([client, &settings] {
            synvora::test::tds::TdsSession(synvora::UniqueFd(client), settings).Run();
        }).detach();
    }
}
