#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "database/odbc/DataAccess.h"

namespace synvora {
namespace {

/// Restores an environment variable to what it was when the test began.
class SavedVariable {
public:
    explicit SavedVariable(const char* name) : m_name(name) {
        if (const char* value = std::getenv(name)) {
            m_value = value;
        }
    }
    ~SavedVariable() {
        if (m_value) {
            ::setenv(m_name, m_value->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_value;
};

TEST(InitializeDataAccessTest, GivesTheTdsDriverVersionAndPortWhenUnset) {
    SavedVariable version("TDSVER");
    SavedVariable port("TDSPORT");
    ::unsetenv("TDSVER");
    ::unsetenv("TDSPORT");
    InitializeDataAccess();
    EXPECT_STREQ(std::getenv("TDSVER"), "7.4");
    EXPECT_STREQ(std::getenv("TDSPORT"), "1433");
}

TEST(InitializeDataAccessTest, KeepsTheAdministratorsOwnSettings) {
    SavedVariable version("TDSVER");
    SavedVariable port("TDSPORT");
    ::setenv("TDSVER", "7.2", 1);
    ::setenv("TDSPORT", "14330", 1);
    InitializeDataAccess();
    EXPECT_STREQ(std::getenv("TDSVER"), "7.2");
    EXPECT_STREQ(std::getenv("TDSPORT"), "14330");
}

}  // namespace
}  // namespace synvora
