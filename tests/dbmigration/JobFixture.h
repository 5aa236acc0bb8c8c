#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/RecordingJobHost.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace synvora::test {

/// One entry of Migration.log.
struct LogEntry {
    std::string heading;  // number, a blank, the source
    std::string message;

    bool operator==(const LogEntry&) const = default;
};
std::ostream& operator<<(std::ostream& out, const LogEntry& entry);

/// What the client probe recorded about its start.
struct ProbeReport {
    std::vector<std::string> args;
    std::map<std::string, std::string> facts;  // input_mode, output_mode, input
};

/// The database job against the PostgreSQL test server, in a fresh working folder that is the
/// current directory. Every test gets an old and a new database of its own, created from the
/// demo scripts, and the host is filled with their details. PATH holds only the client probe's
/// folder unless a test says otherwise; the test program lies in a folder without osql.exe, so
/// PATH decides which client runs.
class JobTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;

    /// A working folder whose name holds a blank, used instead of the default one.
    explicit JobTest(std::string_view folderPrefix = "synvora-job");

    std::string Folder() const { return m_folder.Path(); }
    /// A file of the working folder as the job names it (the system's separator).
    std::string InFolder(std::string_view name) const;

    /// Puts a migration script into the working folder: the demo script, or the given text.
    void CopyDemoScript() const;
    void WriteScript(const std::string& text) const;
    static std::string DemoScript();

    /// Only this folder on PATH (none: an empty folder).
    void UsePath(const std::string& folder);
    static std::string ProbeFolder();

    /// The probe's answer: what it writes into the output file and its exit code.
    void ProbeAnswers(const std::string& output, int exitCode = 0);
    /// What the probe recorded; nothing when it did not run.
    std::optional<ProbeReport> Probe() const;

    std::vector<LogEntry> LogEntries() const;
    /// The entry that step 3 leaves: no server named like the source is ever registered here.
    LogEntry DropServerEntry() const;
    /// The command line the log shows for the client run.
    std::string MaskedCommandLine() const;

    /// Runs SQL in the old or new database of the test; returns psql's unaligned output.
    std::string InOld(const std::string& sql) const;
    std::string InNew(const std::string& sql) const;

    std::string m_oldDatabase;
    std::string m_newDatabase;
    std::string m_password;
    TempDir m_folder;
    ScopedCurrentDirectory m_cwd{m_folder.Path()};
    TempDir m_scratch{"synvora-job-scratch"};
    std::unique_ptr<ScopedEnvironmentVariable> m_path;
    std::vector<std::unique_ptr<ScopedEnvironmentVariable>> m_probeEnvironment;
    RecordingJobHost m_host;
};

/// The same, in a working folder with a blank in its name.
class JobInBlankFolderTest : public JobTest {
protected:
    JobInBlankFolderTest() : JobTest("synvora job folder") {}
};

/// What the probe writes for a run that committed.
inline constexpr const char* kCommittedOutput = "Migrated 4 users.\r\nCOMMIT TRANSACTION\r\n";

/// The slots 1 to 14 as the page shows them.
std::vector<std::string> SlotsOf(const RecordingJobHost& host);
/// The step texts of the first count slots, the rest empty.
std::vector<std::string> SlotsUpTo(std::size_t count);

inline constexpr const char* kJobStopped =
    "The migration of the database content was stopped, please check the log file!";
inline constexpr const char* kCouldNotPrepare = "Migration program could not prepare SQL script.";

}  // namespace synvora::test
