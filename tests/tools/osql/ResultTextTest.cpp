#include <gtest/gtest.h>

#include <string>

#include "ClientOutput.h"
#include "ResultText.h"
#include "support/TempDir.h"

namespace synvora::osql {
namespace {

using test::ReadBytes;
using test::TempDir;
using Row = RowSetWriter::Row;

TEST(ResultTextTest, CountLines) {
    EXPECT_EQ(AffectedRowsLine(0), "(0 rows affected)");
    EXPECT_EQ(AffectedRowsLine(1), "(1 row affected)");
    EXPECT_EQ(AffectedRowsLine(3000), "(3000 rows affected)");
}

TEST(ResultTextTest, ErrorHeadingsUseWhatTheDriverTellsAndDefaultsOtherwise) {
    odbc::Diagnostic plain{"42P01", 1, "ERROR: relation \"x\" does not exist"};
    EXPECT_EQ(ErrorHeading(plain, "db-host"), "Msg 1, Level 16, State 1, Server db-host, Line 1");
    odbc::Diagnostic numberless{"HY000", 0, "[unixODBC]failure"};
    EXPECT_EQ(ErrorHeading(numberless, "h"), "Msg 50000, Level 16, State 1, Server h, Line 1");
    odbc::Diagnostic detailed{"42S02", 208, "[FreeTDS][SQL Server]Invalid object name 'x'."};
    detailed.severity = 16;
    detailed.serverState = 1;
    detailed.line = 7;
    EXPECT_EQ(ErrorHeading(detailed, "h"), "Msg 208, Level 16, State 1, Server h, Line 7");
    EXPECT_EQ(RecordText(odbc::Diagnostic{"08001", 101, "FATAL: no\n"}), "FATAL: no");
}

TEST(ResultTextTest, MessagesAndErrorsAreToldApart) {
    EXPECT_FALSE(IsErrorRecord(odbc::Diagnostic{"00000", -1, "NOTICE: COMMIT TRANSACTION"}));
    EXPECT_FALSE(IsErrorRecord(odbc::Diagnostic{"01000", 0, "[SQL Server]printed"}));
    EXPECT_TRUE(IsErrorRecord(odbc::Diagnostic{"42000", 102, "syntax"}));
    EXPECT_TRUE(IsErrorRecord(odbc::Diagnostic{"", 0, "no state"}));
    // The severity, when known, wins over the SQLSTATE.
    odbc::Diagnostic raised{"01000", 50000, "raised"};
    raised.severity = 16;
    EXPECT_TRUE(IsErrorRecord(raised));
    odbc::Diagnostic informational{"42000", 0, "informational"};
    informational.severity = 10;
    EXPECT_FALSE(IsErrorRecord(informational));

    // Carried by a call that succeeded, a notice is a message whatever state it reports; only a
    // severity above 10 makes such a record an error.
    EXPECT_FALSE(IsErrorMessage(odbc::Diagnostic{"42710", -1, "NOTICE: extension already exists, skipping"}));
    EXPECT_TRUE(IsErrorMessage(raised));
    EXPECT_FALSE(IsErrorMessage(informational));
}

TEST(ResultTextTest, OnlyTheConnectionStringsPasswordIsMasked) {
    EXPECT_EQ(MaskConnectionPassword("driver={SQL Server};UID=sa;PWD=pw*;database=pw*", "pw*"),
              "driver={SQL Server};UID=sa;PWD=********;database=pw*");
    // The password as the connection string writes it, braced.
    EXPECT_EQ(MaskConnectionPassword("failed: PWD={a;b}}};database=x", "a;b}"),
              "failed: PWD=********;database=x");
    // The server's own words stay as they are, whatever the password.
    EXPECT_EQ(MaskConnectionPassword("NOTICE: COMMIT TRANSACTION", "ON"), "NOTICE: COMMIT TRANSACTION");
    EXPECT_EQ(MaskConnectionPassword("PWD=x", ""), "PWD=x");
}

TEST(ResultTextTest, WidthsCountCharactersNotBytes) {
    EXPECT_EQ(DisplayWidth(""), 0u);
    EXPECT_EQ(DisplayWidth("Gr\u00FC\u00DFe \u20AC"), 7u);
    EXPECT_EQ(DisplayWidth("\U0001F600"), 1u);
}

class RowSetWriterTest : public ::testing::Test {
protected:
    std::string Written() {
        m_output.Flush();
        return ReadBytes(m_path);
    }

    TempDir m_dir;
    std::string m_path = m_dir / "rows.log";
    ClientOutput m_output = ClientOutput::ToFile(m_path);
};

TEST_F(RowSetWriterTest, PadsColumnsToTheWidestOfNameAndValues) {
    RowSetWriter rows(m_output, {"id", "name", "note"});
    rows.Add(Row{"1", "Gr\u00FC\u00DFe", std::nullopt});
    rows.Add(Row{"12345", std::nullopt, "x"});
    rows.Finish();
    EXPECT_EQ(Written(),
              "id    name  note\r\n"
              "----- ----- ----\r\n"
              "1     Gr\xFC\xDF"
              "e NULL\r\n"
              "12345 NULL  x\r\n"
              "(2 rows affected)\r\n");
}

TEST_F(RowSetWriterTest, AnEmptyResultStillShowsItsHeading) {
    RowSetWriter rows(m_output, {"a"});
    rows.Finish();
    EXPECT_EQ(Written(), "a\r\n-\r\n(0 rows affected)\r\n");
}

TEST_F(RowSetWriterTest, ALongValueAfterTheSampleIsWrittenWhole) {
    RowSetWriter rows(m_output, {"v", "w"});
    for (std::size_t i = 0; i < RowSetWriter::kWidthSampleRows; ++i) {
        rows.Add(Row{"ab", "z"});
    }
    // The heading has gone out once the sample is complete.
    EXPECT_NE(Written().find("v  w\r\n-- -\r\n"), std::string::npos);
    rows.Add(Row{"a much longer value", "z"});
    rows.Add(Row{"ab", "z"});
    rows.Finish();
    const std::string text = Written();
    EXPECT_NE(text.find("\r\na much longer value z\r\nab z\r\n(202 rows affected)\r\n"), std::string::npos);
}

}  // namespace
}  // namespace synvora::osql
