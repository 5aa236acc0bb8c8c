// What the PostgreSQL test server offers the tests on either system: the driver of the run, the
// login, and databases made through RunSql. Starting and reaching the server is each system's own
// (posix/, win32/PostgresServer.cpp).

#include "PostgresFixture.h"

#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "database/odbc/DataAccess.h"
#include "support/WebContent.h"

namespace synvora::test {
namespace {

const std::string kAdminUser = "sa";
// An ordinary password: connection strings with it stay exactly as the program builds them.
const std::string kAdminPassword = "Synvora#25sa";

}  // namespace

TestDriver CurrentTestDriver() {
    const char* name = std::getenv("SYNVORA_TEST_DRIVER");
    if (name == nullptr || std::string_view(name).empty() || std::string_view(name) == "postgres") {
        return TestDriver::kPostgres;
    }
    if (std::string_view(name) == "freetds") {
        return TestDriver::kFreeTds;
    }
    throw std::runtime_error(std::string("unknown test driver SYNVORA_TEST_DRIVER=") + name);
}

std::string PostgresServer::DriverPortVariable() const {
    return m_driver == TestDriver::kFreeTds ? "TDSPORT" : "PGPORT";
}

PostgresLogin PostgresServer::Admin() const {
    return PostgresLogin{kAdminUser, kAdminPassword};
}

void PostgresServer::CreateDatabase(const std::string& name) const {
    RunSql("postgres", "CREATE DATABASE " + Identifier(name) + " OWNER " + kAdminUser +
                           " ENCODING 'UTF8' TEMPLATE template0;");
}

void PostgresServer::CreateParameterDatabase(const std::string& name) const {
    CreateDatabase(name);
    RunSql(name, "CREATE SCHEMA dbo AUTHORIZATION " + kAdminUser +
                     ";\n"
                     "CREATE TABLE dbo.SYNVORAPARAMETER (PARAMNAME varchar(255) NOT NULL, PARAMVALUE text);\n"
                     "ALTER TABLE dbo.SYNVORAPARAMETER OWNER TO " +
                     kAdminUser + ";\n");
}

void PostgresServer::CreateLogin(const std::string& user, const std::string& password) const {
    RunSql("postgres", "CREATE ROLE " + Identifier(user) + " LOGIN PASSWORD " + Literal(password) + ";");
}

std::string PostgresServer::Literal(const std::string& text) {
    return SqlLiteral(text);
}

std::string PostgresServer::Identifier(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

PostgresServer& SharedPostgresServer() {
    static PostgresServer server;
    return server;
}

void PostgresEnvironment::SetUp() {
    try {
        SharedPostgresServer().Start();
        // As the program does at its start; for FreeTDS this gives the protocol version.
        InitializeDataAccess();
    } catch (const std::exception& failure) {
        FAIL() << "The PostgreSQL test server could not be started: " << failure.what();
    }
}

void PostgresEnvironment::TearDown() {
    SharedPostgresServer().Stop();
}

}  // namespace synvora::test
