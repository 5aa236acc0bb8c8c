// The command launch through RunCommand, on both systems: outcome, the log's line, the caller
// while the program runs, the stop, where the program comes from, what it receives.

#include "LaunchFixture.h"
#include "files/TemporaryNames.h"

namespace synvora {
namespace {

namespace fs = std::filesystem;
using test::CommandLaunchTest;
using test::ProbeFile;
using test::ReadBytes;
using test::ScopedEnv;

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
    EXPECT_EQ(test::EnvironmentValue("SYNVORA_PROBE_SECRET"), "inherited");

    // A failing program is a failure as ever, with the line for the log.
    m_exit.Set("1");
    options.commandLineForLog = "launch_probe /U ********";
    EXPECT_THROW(RunCommand("launch_probe /U sa", options), MigrationError);
    EXPECT_EQ(LogBytes(), "-2147221498 RunCommand\r\nUnable to launch launch_probe /U ********\r\n\r\n\r\n");
}

TEST_F(CommandLaunchTest, AProgramStoppedWhileItRunsIsEndedAlsoWhenItIgnoresTheRequest) {
    for (const char* hang : {"forever", "ignore-term"}) {
        ScopedEnv hanging("SYNVORA_PROBE_HANG", hang);
        fs::remove(test::FsPath(ReportPath()));
        int calls = 0;
        CommandOptions options;
        // Stopped once the program has recorded its start.
        options.whileRunning = [&] { return ++calls < 1000 && !ProbeRan(); };

        EXPECT_EQ(RunCommand("launch_probe", options), CommandEnd::kStopped) << hang;
        ASSERT_TRUE(ProbeRan()) << hang;
        EXPECT_TRUE(ProcessHasEnded(std::stoull(Report().facts["pid"])))
            << hang << ": the program is still there";
    }
    EXPECT_FALSE(LogExists()) << "a stop is no failure to launch";
}

TEST_F(CommandLaunchTest, OwnFolderComesBeforePath) {
    CopyProbeTo(m_dir / "path/launch_probe");
    ScopedEnv path("PATH", m_dir / "path");
    RunCommand("launch_probe");
    EXPECT_EQ(Report().facts["exe"], ProbeFile());
}

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
        EXPECT_FALSE(fs::exists(test::FsPath(m_dir / name))) << name;
    }
}

}  // namespace
}  // namespace synvora
