#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "JobFixture.h"
#include "dbmigration/DatabaseJob.h"
#include "support/DriverTexts.h"
#include "support/FileTree.h"
#include "support/OwnerOnly.h"

namespace synvora::test {
namespace {

// The same tables read from both databases, in a stable order.
const std::vector<std::string> kContentQueries = {
    "SELECT USERID, LOGINNAME, FULLNAME, EMAIL, ACTIVE FROM dbo.SYNVORAUSER ORDER BY 1",
    "SELECT CATEGORYID, PARENTID, NAME FROM dbo.SYNVORACATEGORY ORDER BY 1",
    "SELECT DOCUMENTID, CATEGORYID, AUTHORID, TITLE, BODY, CREATED FROM dbo.SYNVORADOCUMENT ORDER BY 1",
    "SELECT ATTACHMENTID, DOCUMENTID, FILENAME, VIRTUALPATH FROM dbo.SYNVORAATTACHMENT ORDER BY 1",
};

const std::vector<std::string> kAllSlots = {"- Start migrate database content...",
                                            "- Prepare destination server...",
                                            "- Copy migration script...",
                                            "- Prepare migration script...",
                                            "- Running migration script...",
                                            "- Finished migrate database content...",
                                            "",
                                            "",
                                            "",
                                            "",
                                            "",
                                            "",
                                            "",
                                            ""};

/// The job with the real client, found on PATH in its build folder.
class JobWithClientTest : public JobTest {
protected:
    JobWithClientTest() = default;
    explicit JobWithClientTest(std::string_view folderPrefix) : JobTest(folderPrefix) {}

    void SetUp() override {
        JobTest::SetUp();
        UsePath(SYNVORA_CLIENT_DIR);
    }

    void ExpectContentCopied() const {
        for (const std::string& query : kContentQueries) {
            EXPECT_EQ(InNew(query), InOld(query)) << query;
        }
    }

    std::string NewCount(const std::string& table) const {
        return InNew("SELECT count(*) FROM dbo." + table);
    }

    std::string ClientOutput() const { return ReadBytes(InFolder("PelluxDest.log")); }
};

class JobWithClientInBlankFolderTest : public JobWithClientTest {
protected:
    JobWithClientInBlankFolderTest() : JobWithClientTest("synvora job folder") {}
};

TEST_F(JobWithClientTest, TheOldContentArrivesInTheNewDatabase) {
    CopyDemoScript();

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), kAllSlots);
    EXPECT_TRUE(m_host.MsgBoxes().empty());
    EXPECT_EQ(LogEntries(), std::vector<LogEntry>{DropServerEntry()});
    ExpectContentCopied();
    // The new installation keeps its own folders and gains the settings it lacked.
    EXPECT_EQ(InNew("SELECT PARAMVALUE FROM dbo.SYNVORAPARAMETER WHERE PARAMNAME = 'AttachmentsVirtualPath'"),
              "C:\\Program Files\\Synvora\\Attachments\n");
    EXPECT_EQ(InNew("SELECT PARAMVALUE FROM dbo.SYNVORAPARAMETER WHERE PARAMNAME = 'Version'"), "2.5\n");
    EXPECT_EQ(InNew("SELECT PARAMVALUE FROM dbo.SYNVORAPARAMETER WHERE PARAMNAME = 'CompanyName'"),
              "Nordlicht Handels GmbH\n");
    // A line of its own, as PRINT output arrives through FreeTDS.
    EXPECT_NE(ClientOutput().find("\r\n" + NoticeText("COMMIT TRANSACTION") + "\r\n"), std::string::npos)
        << ClientOutput();
    // The client empties the output file and keeps its permissions.
    ExpectOwnerOnly(InFolder("PelluxDest.log"));
    ExpectOwnerOnly(InFolder("PelluxDest.sql"));
}

TEST_F(JobWithClientTest, ASecondRunBringsTheNewDatabaseUpToDateWithoutAddingRowsTwice) {
    CopyDemoScript();
    MigrateDatabaseContent(m_host);
    InOld(
        "UPDATE dbo.SYNVORADOCUMENT SET TITLE = 'About us (revised)' WHERE DOCUMENTID = 104;"
        "INSERT INTO dbo.SYNVORAUSER (USERID, LOGINNAME, FULLNAME) VALUES (5, 'lnew', 'Lena Neu');");

    RecordingJobHost secondRun;
    secondRun.source = m_host.source;
    secondRun.destination = m_host.destination;
    MigrateDatabaseContent(secondRun);

    EXPECT_EQ(SlotsOf(secondRun), kAllSlots);
    ExpectContentCopied();
    EXPECT_EQ(NewCount("SYNVORADOCUMENT"), "5\n");
    EXPECT_EQ(NewCount("SYNVORAUSER"), "5\n");
    EXPECT_EQ(NewCount("SYNVORAPARAMETER"), "7\n");
    EXPECT_EQ(NewCount("SYNVORAMIGRATION"), "2\n");
}

TEST_F(JobWithClientTest, AnUnfilledPlaceholderFailsInsideTheScriptAndNothingArrives) {
    // Written in other letters, the placeholder is left as it is and reaches the server.
    std::string script = DemoScript();
    script.replace(script.find("$field$SourcePassword$field$"), 28, "$field$SOURCEPASSWORD$field$");
    WriteScript(script);
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(m_host.Slot(5), "- Running migration script...");
    EXPECT_EQ(m_host.Slot(6), "");
    EXPECT_NE(ClientOutput().find("password authentication failed"), std::string::npos) << ClientOutput();
    EXPECT_EQ(ClientOutput().find("COMMIT TRANSACTION"), std::string::npos);
    // The client ran to its end: the failure is the script's, judged from the output alone.
    EXPECT_EQ(LogEntries(), std::vector<LogEntry>{DropServerEntry()});
    EXPECT_EQ(NewCount("SYNVORADOCUMENT"), "0\n");
}

TEST_F(JobWithClientTest, AScriptThatNeverPrintsTheCommitLineCountsAsStopped) {
    std::string script = DemoScript();
    script.erase(script.find("DO $report$"));
    WriteScript(script);
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(m_host.Slot(6), "");
    EXPECT_EQ(ClientOutput().find("COMMIT TRANSACTION"), std::string::npos) << ClientOutput();
    EXPECT_EQ(LogEntries(), std::vector<LogEntry>{DropServerEntry()});
}

TEST_F(JobWithClientTest, AMigrationThatCannotCommitLeavesTheNewDatabaseAsItWas) {
    // The new installation already has this login under another number: the copy of the users
    // breaks the unique login, and the whole transaction goes back.
    InNew("INSERT INTO dbo.SYNVORAUSER (USERID, LOGINNAME, FULLNAME) VALUES (50, 'jmueller', 'J. Mueller');");
    CopyDemoScript();
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(m_host.Slot(6), "");
    EXPECT_EQ(ClientOutput().find("COMMIT TRANSACTION"), std::string::npos) << ClientOutput();
    EXPECT_EQ(NewCount("SYNVORAUSER"), "2\n");
    EXPECT_EQ(NewCount("SYNVORACATEGORY"), "0\n");
    EXPECT_EQ(InNew("SELECT count(*) FROM dbo.SYNVORAMIGRATION"), "0\n");
}

TEST_F(JobWithClientInBlankFolderTest, TheJobWorksEndToEndAndTheClientKeepsTheRestrictedOutput) {
    CopyDemoScript();
    WriteBytes(InFolder("PelluxDest.log"), "stale output of an earlier run\r\n");
    LetOthersRead(InFolder("PelluxDest.log"));

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), kAllSlots);
    EXPECT_TRUE(m_host.MsgBoxes().empty());
    ExpectContentCopied();
    // The client emptied the file it found and kept its permissions.
    EXPECT_EQ(ClientOutput().find("stale output"), std::string::npos) << ClientOutput();
    ExpectOwnerOnly(InFolder("PelluxDest.log"));
}

}  // namespace
}  // namespace synvora::test
