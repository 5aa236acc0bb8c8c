// The command launch on Linux alone: signals, execute permissions, PATH written with ":", a
// program named relative to the current folder, the kernel's refusal and the descriptors.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "LaunchFixture.h"

namespace synvora {
namespace {

namespace fs = std::filesystem;
using test::CommandLaunchTest;
using test::ProbeFile;
using test::ProbeReport;
using test::ScopedEnv;
using test::WriteBytes;

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
