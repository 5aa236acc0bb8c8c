#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "files/posix/UniqueFd.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace synvora::test {

/// A login of the test server.
struct SambaLogin {
    std::string user;
    std::string password;
};

/// What a test server offers besides its shares.
struct SambaOptions {
    /// The remote registry (and the other RPC services). Without it the server still serves its
    /// shares, but refuses every registry call: a machine whose registry cannot be reached.
    bool registryService = true;
};

/// A private Samba server for the tests, standing in for the old web server: its own smb.conf in
/// a temporary folder (every directory the server uses lies inside it, so nothing of the
/// machine's own Samba is used or changed), listening on 127.0.0.1 at a port that was free, with
/// the administrative share "D$" on a folder of its own and one login, mapped to the Unix account
/// the tests run as. Its registry (Samba's own store in its state folder) is served over the
/// network like a Windows machine's, readable by any login, also an anonymous one. Like a
/// carelessly configured server, it lets a wrong password in as its
/// guest account, which may use the share "public" (GuestSharePath).
///
/// smbd runs in the foreground in a process group of its own, its standard input a pipe this
/// process holds: when the test process dies, smbd sees the end of its input and ends, and a
/// watchdog stops its RPC helper (samba-dcerpcd) and removes the folder. Stop and the destructor
/// do the same at once.
class SambaServer {
public:
    SambaServer() = default;
    explicit SambaServer(SambaOptions options) : m_options(options) {}
    SambaServer(const SambaServer&) = delete;
    SambaServer& operator=(const SambaServer&) = delete;
    ~SambaServer();

    /// Writes the configuration, adds the login, starts smbd and waits until it accepts
    /// connections. Raises std::runtime_error with the server's log on failure.
    void Start();
    /// Stops the server and its helpers and removes the folder; never throws.
    void Stop() noexcept;
    bool IsRunning() const noexcept { return m_smbd.has_value(); }
    /// Stops the server's processes where they stand (SIGSTOP), as a server that stops answering
    /// without closing its connections; Resume lets them go on.
    void Pause() const;
    void Resume() const;

    const std::string& Host() const noexcept { return m_host; }
    int Port() const noexcept { return m_port; }
    /// The server as typed on the web server page: "127.0.0.1:<port>".
    std::string ServerName() const;
    /// The administrative share: "\\127.0.0.1:<port>\D$".
    std::string SharePath() const;
    /// The local folder behind the share.
    std::string ShareFolder() const;
    /// A share the guest account may use: "\\127.0.0.1:<port>\public".
    std::string GuestSharePath() const;
    SambaLogin Admin() const;
    std::string ConfigPath() const;

    /// Runs smbclient's commands on the share with the test login (a check from outside the
    /// program); its output. Raises std::runtime_error when smbclient fails.
    std::string RunSmbClient(const std::string& commands) const;
    /// The sessions the server holds at this moment (smbstatus).
    int SessionCount() const;

    /// Writes a string value into the server's registry below HKEY_LOCAL_MACHINE, creating its key
    /// ("SOFTWARE\\Tressel"). Raises std::runtime_error when it cannot.
    void SetRegistryValue(const std::string& key, const std::string& name, const std::string& value) const;
    /// Removes a key with everything below it; nothing when it is missing.
    void DeleteRegistryKey(const std::string& key) const;

private:
    void WriteConfiguration() const;
    void AddLogin() const;
    void StartWatchdog();
    void StartServerOnFreePort();
    bool WaitUntilAccepting();
    void StopServerProcesses() noexcept;
    /// Runs `net registry` on the server's own store; its exit code and output.
    int RunNetRegistry(const std::vector<std::string>& arguments, std::string& output) const;

    SambaOptions m_options;
    std::unique_ptr<TempDir> m_root;
    std::string m_host = "127.0.0.1";
    int m_port = 0;
    std::string m_password;
    /// The write end of the pipe that smbd and the watchdog read: closed, both end.
    UniqueFd m_lifeline;
    UniqueFd m_lifelineReader;
    std::optional<ChildProcess> m_smbd;
    std::optional<ChildProcess> m_watchdog;
};

/// The one server of a test program, created on first use and stopped at exit at the latest.
SambaServer& SharedSambaServer();

/// Starts the shared server before the first test of the program and stops it after the last.
/// A server that cannot start fails the program's tests with the reason.
class SambaEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace synvora::test
