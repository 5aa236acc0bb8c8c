#include <gtest/gtest.h>

#include "database/SqlServer.h"
#include "database/odbc/OdbcError.h"

namespace synvora {
namespace {

TEST(BuildConnectionStringTest, OrdinaryValuesAreInsertedExactlyAsTyped) {
    EXPECT_EQ(BuildConnectionString("SRV01", "sa", "secret", "synvora"),
              "driver={SQL Server};server=SRV01;UID=sa;PWD=secret;database=synvora");
    // Blanks inside, "=", quotes, backslashes and non-ASCII letters need no braces.
    EXPECT_EQ(BuildConnectionString("OLD SERVER\\INST", "dom\\user", "p=ss w'o\"rd", "Caf\u00E9 \u20AC"),
              "driver={SQL Server};server=OLD SERVER\\INST;UID=dom\\user;PWD=p=ss w'o\"rd;database=Caf\u00E9 "
              "\u20AC");
}

TEST(BuildConnectionStringTest, EmptyValuesLeaveTheirKeysWithNothingAfterTheEqualsSign) {
    EXPECT_EQ(BuildConnectionString("srv", "sa", "", "db"),
              "driver={SQL Server};server=srv;UID=sa;PWD=;database=db");
    EXPECT_EQ(BuildConnectionString("", "", "", ""), "driver={SQL Server};server=;UID=;PWD=;database=");
}

TEST(BuildConnectionStringTest, SeparatorsAndBracesAreEnclosedSoTheValueStaysWhole) {
    EXPECT_EQ(BuildConnectionString("srv", "sa", "pa;ss", "db"),
              "driver={SQL Server};server=srv;UID=sa;PWD={pa;ss};database=db");
    // Inside the braces the value stands as typed: FreeTDS reads it up to a "}" before ";".
    EXPECT_EQ(BuildConnectionString("srv", "sa", "a}b", "db"),
              "driver={SQL Server};server=srv;UID=sa;PWD={a}b};database=db");
    EXPECT_EQ(BuildConnectionString("srv", "sa", "{x", "db"),
              "driver={SQL Server};server=srv;UID=sa;PWD={{x};database=db");
    EXPECT_EQ(BuildConnectionString("srv", "sa", "x}}", "db"),
              "driver={SQL Server};server=srv;UID=sa;PWD={x}}};database=db");
}

TEST(BuildConnectionStringTest, AValueThatWouldEndItsBracesEarlyIsRefused) {
    try {
        BuildConnectionString("srv", "sa", "pw};UID=other", "db");
        FAIL() << "a value with \"};\" was passed on";
    } catch (const odbc::OdbcError& error) {
        EXPECT_EQ(error.SqlState(), "08001");
        EXPECT_EQ(error.Description().find("pw"), std::string::npos) << error.Description();
    }
    EXPECT_EQ(TestConnection("srv};x=1", "sa", "pw", "db"), 1);
}

TEST(BuildConnectionStringTest, LeadingOrTrailingBlanksAreEnclosedSoTheDriverKeepsThem) {
    EXPECT_EQ(BuildConnectionString(" srv", "sa ", " ", "db"),
              "driver={SQL Server};server={ srv};UID={sa };PWD={ };database=db");
}

TEST(BuildConnectionStringTest, ATypedValueCannotAddKeywords) {
    EXPECT_EQ(BuildConnectionString("srv;Trusted_Connection=yes", "sa;database=master", "pw", "db;x=1"),
              "driver={SQL Server};server={srv;Trusted_Connection=yes};UID={sa;database=master};PWD=pw;"
              "database={db;x=1}");
}

}  // namespace
}  // namespace synvora
