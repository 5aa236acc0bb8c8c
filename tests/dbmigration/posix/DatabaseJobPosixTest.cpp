// What only Linux lets the database job meet: its files that hold secrets kept by permission bits
// and found as links (on Windows the files library's own tests check the owner-only DACL, which
// Wine keeps none of), and a working folder removed while the program is in it (Windows refuses
// to remove a process's current folder).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "dbmigration/DatabaseJob.h"
#include "dbmigration/JobFixture.h"
#include "support/FileTree.h"

namespace synvora::test {
namespace {

TEST_F(JobTest, ThePreparedScriptAndTheClientOutputAreForTheOwnerOnly) {
    CopyDemoScript();
    // Read-only: its copy would be too, and would silently keep its placeholders.
    ASSERT_EQ(::chmod(InFolder("migration.sql").c_str(), 0444), 0);
    WriteBytes(InFolder("PelluxDest.log"), "output of an earlier run");
    ASSERT_EQ(::chmod(InFolder("PelluxDest.log").c_str(), 0666), 0);
    ProbeAnswers(kCommittedOutput);
    int modeWhenFilled = -1;
    m_host.onSourceFieldsRead = [&] {
        if (m_host.Slot(4).empty()) {
            return;  // step 3 reads the source server before the copy
        }
        modeWhenFilled = PermissionsOf(InFolder("PelluxDest.sql"));
    };

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(modeWhenFilled, 0600) << "the copy must be restricted before the password goes in";
    const std::optional<ProbeReport> probe = Probe();
    ASSERT_TRUE(probe.has_value());
    EXPECT_EQ(probe->facts.at("input_mode"), "0600");
    EXPECT_EQ(probe->facts.at("input").find("$field$SourcePassword$field$"), std::string::npos);
    EXPECT_EQ(probe->facts.at("output_mode"), "0600");
    EXPECT_EQ(PermissionsOf(InFolder("PelluxDest.sql")), 0600);
    EXPECT_EQ(PermissionsOf(InFolder("PelluxDest.log")), 0600);
    EXPECT_EQ(PermissionsOf(InFolder("migration.sql")), 0444);
    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(6));
}

TEST_F(JobTest, AMissingClientOutputIsCreatedForTheOwnerOnlyBeforeTheClientStarts) {
    CopyDemoScript();
    ProbeAnswers(kCommittedOutput);

    MigrateDatabaseContent(m_host);

    const std::optional<ProbeReport> probe = Probe();
    ASSERT_TRUE(probe.has_value());
    EXPECT_EQ(probe->facts.at("output_mode"), "0600");
    EXPECT_EQ(ReadBytes(InFolder("PelluxDest.log")), kCommittedOutput);
}

TEST_F(JobTest, ALinkPlantedAtTheClientOutputLeadsTheOutputNowhereElse) {
    CopyDemoScript();
    ProbeAnswers(kCommittedOutput);
    const std::string other = m_scratch / "someone else's file";
    WriteBytes(other, "kept as it was");
    ASSERT_EQ(::chmod(other.c_str(), 0644), 0);

    for (const bool symbolic : {true, false}) {
        std::filesystem::remove(InFolder("PelluxDest.log"));
        if (symbolic) {
            std::filesystem::create_symlink(other, InFolder("PelluxDest.log"));
        } else {
            std::filesystem::create_hard_link(other, InFolder("PelluxDest.log"));
        }
        RecordingJobHost host;
        host.source = m_host.source;
        host.destination = m_host.destination;

        MigrateDatabaseContent(host);

        EXPECT_EQ(SlotsOf(host), SlotsUpTo(6)) << symbolic;
        EXPECT_EQ(ReadBytes(other), "kept as it was") << symbolic;
        EXPECT_EQ(PermissionsOf(other), 0644) << symbolic;
        EXPECT_FALSE(std::filesystem::is_symlink(InFolder("PelluxDest.log"))) << symbolic;
        EXPECT_EQ(std::filesystem::hard_link_count(InFolder("PelluxDest.log")), 1u) << symbolic;
        EXPECT_EQ(ReadBytes(InFolder("PelluxDest.log")), kCommittedOutput) << symbolic;
        EXPECT_EQ(PermissionsOf(InFolder("PelluxDest.log")), 0600) << symbolic;
    }
}

TEST_F(JobTest, AWorkingFolderThatIsGoneStopsTheJobAfterItsFirstLine) {
    const std::string gone = InFolder("gone");
    std::filesystem::create_directory(gone);
    const ScopedCurrentDirectory inside(gone);
    std::filesystem::remove(gone);
    m_host.ExpectMsgBox(kJobStopped, 16);

    MigrateDatabaseContent(m_host);

    EXPECT_EQ(SlotsOf(m_host), SlotsUpTo(1));
    EXPECT_EQ(m_host.Journal().size(), 3u) << "clear, the first line and the box; no field was read";
}

}  // namespace
}  // namespace synvora::test
