// test_servers: starts the PostgreSQL test server (with SYNVORA_TEST_DRIVER=freetds also the TDS
// test server in front of it) for a program that cannot start them itself, a Windows test program
// under Wine, runs that program with the servers' environment (ODBCSYSINI, the driver's port,
// SYNVORA_TEST_ADMIN_USER and SYNVORA_TEST_ADMIN_PASSWORD), and stops the servers after it.
//
//     test_servers program [argument...]
//
// Ends as the program ends; 125 when the servers cannot be started.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "database/odbc/DataAccess.h"
#include "support/PostgresFixture.h"

namespace {

constexpr int kServersFailed = 125;

int RunToItsEnd(char** argv) {
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("test_servers: fork");
        return kServersFailed;
    }
    if (child == 0) {
        ::execvp(argv[0], argv);
        std::perror("test_servers: exec");
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: test_servers program [argument...]\n", stderr);
        return 2;
    }
    synvora::test::PostgresServer& server = synvora::test::SharedPostgresServer();
    try {
        server.Start();
        // The program's own defaults for the TDS driver, which a program under Wine cannot set for
        // the driver itself: the driver reads the environment Wine was started with.
        synvora::InitializeDataAccess();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "test_servers: the test servers could not be started: %s\n", failure.what());
        return kServersFailed;
    }
    ::setenv("SYNVORA_TEST_ADMIN_USER", server.Admin().user.c_str(), 1);
    ::setenv("SYNVORA_TEST_ADMIN_PASSWORD", server.Admin().password.c_str(), 1);
    const int end = RunToItsEnd(argv + 1);
    server.Stop();
    return end;
}
