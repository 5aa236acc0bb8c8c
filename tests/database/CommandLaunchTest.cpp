#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "database/CommandLaunch.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "support/TempDir.h"

namespace synvora {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

/// Sets (or removes) an environment variable for the scope; the started programs inherit it.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str())) {
            m_previous = old;
        }
        Apply(value);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() { Apply(m_previous); }

    void Set(const std::optional<std::string>& value) { Apply(value); }

private:
    void Apply(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(m_name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(m_name.c_str());
        }
    }
    std::string m_name;
    std::optional<std::string> m_previous;
};

std::string OwnFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path().string();
}

std::string ProbeFile() {
    return OwnFolder() + "/launch_probe";
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
    bool ProbeRan() const { return fs::exists(ReportPath()); }
    std::string ReportPath() const { return m_dir / "report"; }
    std::string LogBytes() const { return ReadBytes(m_dir / "Migration.log"); }
    bool LogExists() const { return fs::exists(m_dir / "Migration.log"); }

    /// A copy of the probe at the given path, with the given permissions.
    void CopyProbeTo(const std::string& path, fs::perms permissions = fs::perms::owner_all) {
        fs::create_directories(fs::path(path).parent_path());
        fs::copy_file(ProbeFile(), path, fs::copy_options::overwrite_existing);
        fs::permissions(path, permissions);
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

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd{m_dir.Path()};
    ScopedEnv m_report{"SYNVORA_PROBE_REPORT", ReportPath()};
    ScopedEnv m_exit{"SYNVORA_PROBE_EXIT", std::nullopt};
    ScopedEnv m_signal{"SYNVORA_PROBE_SIGNAL", std::nullopt};
};

// --- outcome -------------------------------------------------------------------------------

TEST_F(CommandLaunchTest, ExitCodeZeroIsSuccessAndWritesNothing) {
    RunCommand("launch_probe /n");
    ASSERT_TRUE(ProbeRan());
    EXPECT_EQ(Report().args, std::vector<std::string>{"/n"});
    EXPECT_FALSE(LogExists());
}

TEST_F(CommandLaunchTest, ExitCodeOneWritesOneEntryAndRaises) {
    m_exit.Set("1");
    ExpectRunCommandFails("launch_probe /S srv /U sa", "launch_probe /S srv /U sa");
    EXPECT_TRUE(ProbeRan()) << "the program did run; only its exit code failed";
    EXPECT_EQ(LogBytes(), "-2147221498 RunCommand\r\nUnable to launch launch_probe /S srv /U sa\r\n\r\n\r\n");
}

TEST_F(CommandLaunchTest, OtherExitCodesAndSignalsFailToo) {
    m_exit.Set("255");
    ExpectRunCommandFails("launch_probe", "launch_probe");
    m_exit.Set(std::nullopt);
    m_signal.Set(std::to_string(SIGTERM));
    ExpectRunCommandFails("launch_probe x", "launch_probe x");
    EXPECT_EQ(LogBytes(),
              "-2147221498 RunCommand\r\nUnable to launch launch_probe\r\n\r\n\r\n"
              "-2147221498 RunCommand\r\nUnable to launch launch_probe x\r\n\r\n\r\n");
}

TEST_F(CommandLaunchTest, MissingProgramOrEmptyLineFailsWithTheSameEntry) {
    ExpectRunCommandFails("no-such-program-4711 /n", "no-such-program-4711 /n");
    ExpectRunCommandFails(m_dir / "absent/launch_probe", m_dir / "absent/launch_probe");
    ExpectRunCommandFails("", "");
    EXPECT_EQ(LogBytes(),
              "-2147221498 RunCommand\r\nUnable to launch no-such-program-4711 /n\r\n\r\n\r\n"
              "-2147221498 RunCommand\r\nUnable to launch " +
                  (m_dir / "absent/launch_probe") +
                  "\r\n\r\n\r\n"
                  "-2147221498 RunCommand\r\nUnable to launch \r\n\r\n\r\n");
}

TEST_F(CommandLaunchTest, MaskedLineGoesToTheLogWhileTheRealLineRuns) {
    m_exit.Set("1");
    try {
        RunCommand("launch_probe /U sa /P s3cret", "launch_probe /U sa /P ********");
        ADD_FAILURE() << "RunCommand did not raise";
    } catch (const MigrationError& error) {
        EXPECT_EQ(error.Description(), "Unable to launch launch_probe /U sa /P ********");
    }
    EXPECT_EQ(Report().args, (std::vector<std::string>{"/U", "sa", "/P", "s3cret"}));
    EXPECT_EQ(LogBytes(),
              "-2147221498 RunCommand\r\nUnable to launch launch_probe /U sa /P ********\r\n\r\n\r\n");

    m_exit.Set("0");
    RunCommand("launch_probe /P s3cret", "launch_probe /P ********");
    EXPECT_EQ(Report().args, (std::vector<std::string>{"/P", "s3cret"}));
}

// --- while the program runs ----------------------------------------------------------------

TEST_F(CommandLaunchTest, TheCallerIsCalledWhileTheProgramRunsAndSettingsReachOnlyTheProgram) {
    ScopedEnv secret("SYNVORA_PROBE_SECRET", "inherited");
    ScopedEnv shown("SYNVORA_PROBE_SHOW", "SYNVORA_PROBE_SECRET");
    // The program waits for the first call, so that a quick machine cannot end it unobserved.
    const std::string released = m_dir / "released";
    ScopedEnv waitFor("SYNVORA_PROBE_WAIT_FOR", released);
    int calls = 0;
    CommandOptions options;
    options.environment = {"SYNVORA_PROBE_SECRET=handed over"};
    options.whileRunning = [&calls, &released] {
        if (calls++ == 0) {
            std::ofstream{released};
        }
        return true;
    };

    EXPECT_EQ(RunCommand("launch_probe /U sa", options), CommandEnd::kCompleted);
    EXPECT_GE(calls, 1);
    EXPECT_EQ(Report().facts["shown"], "handed over");
    EXPECT_EQ(Report().args, (std::vector<std::string>{"/U", "sa"}));
    EXPECT_STREQ(std::getenv("SYNVORA_PROBE_SECRET"), "inherited");

    // A failing program is a failure as ever, with the line for the log.
    m_exit.Set("1");
    options.commandLineForLog = "launch_probe /U ********";
    EXPECT_THROW(RunCommand("launch_probe /U sa", options), MigrationError);
    EXPECT_EQ(LogBytes(), "-2147221498 RunCommand\r\nUnable to launch launch_probe /U ********\r\n\r\n\r\n");
}

TEST_F(CommandLaunchTest, AProgramStoppedWhileItRunsIsEndedAlsoWhenItIgnoresTheRequest) {
    for (const char* hang : {"forever", "ignore-term"}) {
        ScopedEnv hanging("SYNVORA_PROBE_HANG", hang);
        fs::remove(ReportPath());
        int calls = 0;
        CommandOptions options;
        // Stopped once the program has recorded its start.
        options.whileRunning = [&] { return ++calls < 1000 && !ProbeRan(); };

        EXPECT_EQ(RunCommand("launch_probe", options), CommandEnd::kStopped) << hang;
        ASSERT_TRUE(ProbeRan()) << hang;
        const pid_t pid = std::stoi(Report().facts["pid"]);
        EXPECT_NE(::kill(pid, 0), 0) << hang << ": the program is still there";
    }
    EXPECT_FALSE(LogExists()) << "a stop is no failure to launch";
}

// --- where the program comes from ----------------------------------------------------------

TEST_F(CommandLaunchTest, OwnFolderComesBeforePath) {
    CopyProbeTo(m_dir / "path/launch_probe");
    ScopedEnv path("PATH", m_dir / "path");
    RunCommand("launch_probe");
    EXPECT_EQ(Report().facts["exe"], ProbeFile());
}

TEST_F(CommandLaunchTest, PathFoldersAreSearchedInOrderSkippingFilesThatCannotRun) {
    CopyProbeTo(m_dir / "first/path_probe", fs::perms::owner_read | fs::perms::owner_write);
    CopyProbeTo(m_dir / "second/path_probe");
    CopyProbeTo(m_dir / "third/path_probe");
    ScopedEnv path("PATH", "/nonexistent-folder::" + (m_dir / "first") + ":" + (m_dir / "second") + ":" +
                               (m_dir / "third"));
    RunCommand("path_probe");
    EXPECT_EQ(Report().facts["exe"], m_dir / "second/path_probe");
}

TEST_F(CommandLaunchTest, EmptyPathEntryDoesNotMeanTheCurrentDirectory) {
    CopyProbeTo(m_dir / "cwd_probe");
    ScopedEnv path("PATH", ":/nonexistent-folder:");
    ExpectRunCommandFails("cwd_probe", "cwd_probe");
    EXPECT_FALSE(ProbeRan());
}

TEST_F(CommandLaunchTest, ProgramNamedWithAFolderIsUsedAsGiven) {
    const std::string quoted = m_dir / "my tools/launch_probe";
    CopyProbeTo(quoted);
    RunCommand("\"" + quoted + "\" x");
    EXPECT_EQ(Report().facts["exe"], quoted);
    EXPECT_EQ(Report().args, std::vector<std::string>{"x"});

    CopyProbeTo(m_dir / "launch_probe");
    RunCommand("./launch_probe y");
    EXPECT_EQ(Report().facts["exe"], m_dir / "launch_probe");
}

TEST_F(CommandLaunchTest, FileTheKernelCannotRunIsNeverHandedToAShell) {
    const std::string script = m_dir / "fake.sql";
    WriteBytes(script, "touch shell-ran\n");
    fs::permissions(script, fs::perms::owner_all);
    ExpectRunCommandFails(script, script);
    EXPECT_FALSE(fs::exists(m_dir / "shell-ran"));
}

// --- what the program receives -------------------------------------------------------------

TEST_F(CommandLaunchTest, WordsArriveAsTheCommandLineRulesSplitThem) {
    RunCommand(R"(launch_probe /n /S my server /P "pa ss" /i "C:\dir name\\" a\"b "" caf)"
               "\u00E9");
    EXPECT_EQ(Report().args, (std::vector<std::string>{"/n", "/S", "my", "server", "/P", "pa ss", "/i",
                                                       R"(C:\dir name\)", R"(a"b)", "", "caf\u00E9"}));
}

TEST_F(CommandLaunchTest, ShellMetacharactersReachTheProgramLiterally) {
    RunCommand(
        "launch_probe srv;touch\tpwned1 $(touch pwned2) `touch pwned3` a|touch pwned4 >out.txt "
        "&& touch pwned5 * $HOME \"'q'\"");
    EXPECT_EQ(Report().args, (std::vector<std::string>{"srv;touch", "pwned1", "$(touch", "pwned2)", "`touch",
                                                       "pwned3`", "a|touch", "pwned4", ">out.txt", "&&",
                                                       "touch", "pwned5", "*", "$HOME", "'q'"}));
    for (const char* name : {"pwned1", "pwned2", "pwned3", "pwned4", "pwned5", "out.txt"}) {
        EXPECT_FALSE(fs::exists(m_dir / name)) << name;
    }
}

TEST_F(CommandLaunchTest, StandardStreamsLeadNowhereAndNoDescriptorLeaks) {
    // A descriptor opened without close-on-exec, as a library might leave one.
    const int stray = ::open(m_dir.Path().c_str(), O_RDONLY);
    ASSERT_GE(stray, 0);
    RunCommand("launch_probe");
    ::close(stray);

    ProbeReport report = Report();
    EXPECT_EQ(report.facts["stdin"], "/dev/null");
    EXPECT_EQ(report.facts["stdout"], "/dev/null");
    EXPECT_EQ(report.facts["stderr"], "/dev/null");
    EXPECT_EQ(report.facts["stdin_read"], "0") << "standard input is at its end at once";
    EXPECT_EQ(report.facts["inherited_fds"], "0");
}

}  // namespace
}  // namespace synvora
