#include <gtest/gtest.h>

#include "database/odbc/OdbcError.h"

namespace synvora::odbc {
namespace {

TEST(DiagnosticTest, TextDropsOnlyTheLeadingBracketedPrefixes) {
    EXPECT_EQ((Diagnostic{"IM002", 0, "[unixODBC][Driver Manager]Data source name not found"}).Text(),
              "Data source name not found");
    EXPECT_EQ((Diagnostic{"01000", 0, "Changed database context to 'master'."}).Text(),
              "Changed database context to 'master'.");
    EXPECT_EQ((Diagnostic{"42000", 0, "[SQL Server]Invalid column [x]"}).Text(), "Invalid column [x]");
    EXPECT_EQ((Diagnostic{"42000", 0, "[unterminated"}).Text(), "[unterminated");
}

TEST(OdbcErrorTest, TravelsAsTheProgramsErrorWithEveryRecordKept) {
    try {
        throw OdbcError("SQLExecDirectW", {Diagnostic{"42S02", 208, "[drv]Invalid object name 'x'."},
                                           Diagnostic{"01000", 0, "[drv]second"}});
    } catch (const MigrationError& error) {
        EXPECT_EQ(error.Number(), kDataAccessError);
        EXPECT_EQ(error.Number(), -2147467259);
        EXPECT_EQ(error.Source(), "SQLExecDirectW");
        EXPECT_EQ(error.Description(), "[drv]Invalid object name 'x'.\n[drv]second");
        const auto& odbcError = dynamic_cast<const OdbcError&>(error);
        EXPECT_EQ(odbcError.SqlState(), "42S02");
        EXPECT_EQ(odbcError.NativeError(), 208);
        ASSERT_EQ(odbcError.Records().size(), 2u);
        EXPECT_EQ(odbcError.Records()[1].Text(), "second");
    }
}

TEST(OdbcErrorTest, AFailureWithoutRecordsStillSaysWhatFailed) {
    const OdbcError error("SQLAllocHandle", {});
    EXPECT_EQ(error.Description(), "SQLAllocHandle failed without a diagnostic record");
    EXPECT_EQ(error.SqlState(), "");
    EXPECT_EQ(error.NativeError(), 0);
}

}  // namespace
}  // namespace synvora::odbc
