#include "JobFixture.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "database/odbc/DataAccess.h"
#include "files/Paths.h"
#include "files/TextFiles.h"
#include "support/PostgresFixture.h"

namespace synvora::test {
namespace {

const std::string kLocalServer = "127.0.0.1";

std::string DemoFile(const std::string& name) {
    return std::string(SYNVORA_DEMO_DIR) + "/" + name;
}

const std::vector<std::string> kStepTexts = {
    "- Start migrate database content...", "- Prepare destination server...",
    "- Copy migration script...",          "- Prepare migration script...",
    "- Running migration script...",       "- Finished migrate database content...",
};

/// Every test works on databases of its own, so that no test sees another's rows.
int NextDatabaseNumber() {
    static int number = 0;
    return ++number;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const LogEntry& entry) {
    return out << "[" << entry.heading << " | " << entry.message << "]";
}

std::vector<std::string> SlotsOf(const RecordingJobHost& host) {
    std::vector<std::string> slots;
    for (int slot = 1; slot <= RecordingJobHost::kSlots; ++slot) {
        slots.push_back(host.Slot(slot));
    }
    return slots;
}

std::vector<std::string> SlotsUpTo(std::size_t count) {
    std::vector<std::string> slots(RecordingJobHost::kSlots);
    std::copy_n(kStepTexts.begin(), count, slots.begin());
    return slots;
}

JobTest::JobTest(std::string_view folderPrefix) : m_folder(folderPrefix) {}

std::string JobTest::InFolder(std::string_view name) const {
    return Folder() + kPathSeparator + std::string(name);
}

void JobTest::SetUpTestSuite() {
    InitializeDataAccess();
    // Step 3 runs in the destination server's system database, which every server has.
    static const bool created = [] {
        SharedPostgresServer().CreateDatabase("master");
        return true;
    }();
    (void)created;
}

void JobTest::SetUp() {
    const PostgresServer& server = SharedPostgresServer();
    const int number = NextDatabaseNumber();
    m_oldDatabase = "job_old_" + std::to_string(number);
    m_newDatabase = "job_new_" + std::to_string(number);
    server.CreateDatabase(m_oldDatabase);
    server.CreateDatabase(m_newDatabase);
    server.RunSql(m_oldDatabase, ReadBytes(DemoFile("source-database.sql")));
    server.RunSql(m_newDatabase, ReadBytes(DemoFile("destination-database.sql")));

    m_password = server.Admin().password;
    m_host.source = DatabaseFields{kLocalServer, m_oldDatabase, server.Admin().user, m_password};
    m_host.destination = DatabaseFields{kLocalServer, m_newDatabase, server.Admin().user, m_password};
    UsePath(ProbeFolder());
    ProbeAnswers("");
}

std::string JobTest::DemoScript() {
    return ReadBytes(DemoFile("migration.sql"));
}

void JobTest::CopyDemoScript() const {
    WriteScript(DemoScript());
}

void JobTest::WriteScript(const std::string& text) const {
    WriteBytes(InFolder("migration.sql"), text);
}

void JobTest::UsePath(const std::string& folder) {
    m_path.reset();
    m_path = std::make_unique<ScopedEnvironmentVariable>("PATH", folder);
}

std::string JobTest::ProbeFolder() {
    return SYNVORA_CLIENT_PROBE_DIR;
}

void JobTest::ProbeAnswers(const std::string& output, int exitCode) {
    m_probeEnvironment.clear();
    m_probeEnvironment.push_back(std::make_unique<ScopedEnvironmentVariable>("SYNVORA_CLIENT_PROBE_REPORT",
                                                                             m_scratch / "probe.report"));
    m_probeEnvironment.push_back(
        std::make_unique<ScopedEnvironmentVariable>("SYNVORA_CLIENT_PROBE_OUTPUT", output));
    m_probeEnvironment.push_back(
        std::make_unique<ScopedEnvironmentVariable>("SYNVORA_CLIENT_PROBE_EXIT", std::to_string(exitCode)));
}

std::optional<ProbeReport> JobTest::Probe() const {
    const std::string path = m_scratch / "probe.report";
    if (!std::filesystem::exists(FsPath(path))) {
        return std::nullopt;
    }
    const std::string bytes = ReadBytes(path);
    ProbeReport report;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\0'); end != std::string::npos; end = bytes.find('\0', start)) {
        const std::string record = bytes.substr(start, end - start);
        const std::size_t equals = record.find('=');
        const std::string key = record.substr(0, equals);
        if (key == "arg") {
            report.args.push_back(record.substr(equals + 1));
        } else {
            report.facts[key] = record.substr(equals + 1);
        }
        start = end + 1;
    }
    return report;
}

std::vector<LogEntry> JobTest::LogEntries() const {
    const std::string path = InFolder("Migration.log");
    std::vector<LogEntry> entries;
    if (!std::filesystem::exists(FsPath(path))) {
        return entries;
    }
    std::vector<std::string> lines = SplitAtCrLf(ReadBytes(path));
    // The content ends in CR LF, which leaves an empty last piece.
    if (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    if (lines.size() % 4 != 0) {
        ADD_FAILURE() << "Migration.log does not consist of four-line entries";
        return entries;
    }
    for (std::size_t i = 0; i < lines.size(); i += 4) {
        EXPECT_TRUE(lines[i + 2].empty() && lines[i + 3].empty())
            << "entry " << i / 4 << " lacks its blank lines";
        entries.push_back({lines[i], lines[i + 1]});
    }
    return entries;
}

LogEntry JobTest::DropServerEntry() const {
    return {"-2147221502 RunSQLCommand",
            "Unable to run the command!: EXEC sp_dropserver '" + m_host.source.server + "','droplogins'"};
}

std::string JobTest::MaskedCommandLine() const {
    const bool quoted = Folder().find(' ') != std::string::npos;
    const auto file = [&](const char* name) {
        return quoted ? "\"" + InFolder(name) + "\"" : InFolder(name);
    };
    return "osql.exe /n /S " + m_host.destination.server + " /U " + m_host.destination.user +
           " /P ******** /d " + m_host.destination.database + " /i " + file("PelluxDest.sql") + " /o " +
           file("PelluxDest.log");
}

std::string JobTest::InOld(const std::string& sql) const {
    return SharedPostgresServer().RunSql(m_oldDatabase, sql);
}

std::string JobTest::InNew(const std::string& sql) const {
    return SharedPostgresServer().RunSql(m_newDatabase, sql);
}

}  // namespace synvora::test
