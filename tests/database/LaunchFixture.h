#pragma once

// The command launch scenarios' fixture: a probe program that records how it was started
// (LaunchProbe.cpp), in a fresh current folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "database/CommandLaunch.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "files/Paths.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace synvora::test {

namespace fs = std::filesystem;

using ScopedEnv = ScopedEnvironmentVariable;

/// The probe beside the tests, as the system names it.
inline std::string ProbeFile() {
    return test::OwnFolder() + kPathSeparator + "launch_probe" + test::ExecutableSuffix();
}

/// What the probe recorded about its start.
struct ProbeReport {
    std::map<std::string, std::string> facts;
    std::vector<std::string> args;
};

class CommandLaunchTest : public ::testing::Test {
protected:
    ProbeReport Report() const {
        const std::string bytes = ReadBytes(ReportPath());
        ProbeReport report;
        std::size_t start = 0;
        for (std::size_t end = bytes.find('\0'); end != std::string::npos; end = bytes.find('\0', start)) {
            const std::string record = bytes.substr(start, end - start);
            const std::size_t equals = record.find('=');
            const std::string key = record.substr(0, equals);
            const std::string value = record.substr(equals + 1);
            if (key == "arg") {
                report.args.push_back(value);
            } else {
                report.facts[key] = value;
            }
            start = end + 1;
        }
        return report;
    }
    bool ProbeRan() const { return fs::exists(test::FsPath(ReportPath())); }
    std::string ReportPath() const { return m_dir / "report"; }
    std::string LogBytes() const { return ReadBytes(m_dir / "Migration.log"); }
    bool LogExists() const { return fs::exists(test::FsPath(m_dir / "Migration.log")); }

    /// A copy of the probe at the given path (and the system's ending of program files), with the
    /// given permissions; the copy's path.
    std::string CopyProbeTo(const std::string& path, fs::perms permissions = fs::perms::owner_all) {
        const fs::path copy = test::FsPath(path + test::ExecutableSuffix());
        fs::create_directories(copy.parent_path());
        fs::copy_file(test::FsPath(ProbeFile()), copy, fs::copy_options::overwrite_existing);
        fs::permissions(copy, permissions);
        return test::Utf8Path(copy);
    }

    /// Runs the line and expects RunCommand's failure, naming the line shown in the log.
    void ExpectRunCommandFails(const std::string& line, const std::string& shownLine) {
        try {
            RunCommand(line);
            ADD_FAILURE() << "RunCommand did not raise for " << line;
        } catch (const MigrationError& error) {
            EXPECT_EQ(error.Number(), ErrorCode::kRunCommand);
            EXPECT_EQ(error.Source(), "RunCommand");
            EXPECT_EQ(error.Description(), "Unable to launch " + shownLine);
        }
    }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd{m_dir.Path()};
    ScopedEnv m_report{"SYNVORA_PROBE_REPORT", ReportPath()};
    ScopedEnv m_exit{"SYNVORA_PROBE_EXIT", std::nullopt};
    ScopedEnv m_signal{"SYNVORA_PROBE_SIGNAL", std::nullopt};
};

}  // namespace synvora::test
