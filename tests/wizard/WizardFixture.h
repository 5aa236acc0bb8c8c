#pragma once

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/headless/HeadlessToolkit.h"
#include "wizard/Wizard.h"

namespace synvora::test {

/// Which connection test the wizard is given.
enum class ConnectionTest {
    Scripted,  // answers from ConnectionResults and ConnectionRaises
    Program,   // the program's own, against a real server
    None,      // none installed
};

/// Which network drive calls the wizard is given.
enum class NetworkDrive {
    Scripted,  // answers from MapResults and DisconnectResults
    Program,   // the program's own, against a real server
};

/// A wizard on the headless toolkit. This machine's registry is a .reg file in a temporary
/// folder (none at first: a machine without the web server product); the web server check is the
/// program's own, counted. Every connection attempt is recorded with its arguments and noted in
/// the toolkit's journal as "connect <server>"; so is every network drive call, as
/// "map <share> <user> <password>" and "disconnect <drive>".
class WizardFixture : public ::testing::Test {
protected:
    WizardFixture();
    ~WizardFixture() override;

    /// Makes this machine one with the web server product (its registry key present, naming the
    /// installation folder) or without (a registry file that lacks the key).
    void SetWebServerInstalled(
        bool installed, const std::optional<std::string>& installationFolder = "C:\\Program Files\\Portivo");

    /// Starts the wizard on the welcome page.
    void StartWizard(ConnectionTest connectionTest = ConnectionTest::Scripted,
                     NetworkDrive networkDrive = NetworkDrive::Scripted);
    Wizard& TheWizard() { return *m_wizard; }

    /// The next scripted connection tests answer with these results, in order.
    void ConnectionResults(std::initializer_list<int> results);
    /// The next scripted connection test raises this error.
    void ConnectionRaises(std::exception_ptr error);
    /// The next scripted network drive calls answer with these results, in order. A map that
    /// answers 0 connects "Z:"; a release that answers 0 empties the drive name.
    void MapResults(std::initializer_list<int> results);
    void DisconnectResults(std::initializer_list<int> results);

    // Walks through the wizard as a user would.
    void SelectJobs(bool database, bool web);
    void FillDatabasePage(const std::string& page, const std::string& server, const std::string& database,
                          const std::string& user, const std::string& password);
    void ReachSourcePage(bool database = true, bool web = false);
    void ReachDestinationPage(bool web = false);
    void ReachFinishPage();
    /// This machine gets the web server product; the database pages are passed with scripted
    /// connections. The database job is selected as well when `database` is true.
    void ReachWebPage(bool database = true);
    void FillWebPage(const std::string& server, const std::string& user, const std::string& password,
                     const std::string& installationFolder);

    // Field names of a database page, by role.
    static std::string ServerField(const std::string& page);
    static std::string DatabaseField(const std::string& page);
    static std::string UserField(const std::string& page);
    static std::string PasswordField(const std::string& page);
    static std::string StatusLabel(const std::string& page);

    TempDir m_dir;
    ScopedEnvironmentVariable m_registry{"SYNVORA_REGISTRY", m_dir / "HKLM.reg"};
    HeadlessToolkit m_toolkit;
    int m_webServerChecks = 0;
    /// Arguments of every connection test: server, user, password, database.
    std::vector<std::array<std::string, 4>> m_connectionTests;
    /// Every network drive call, as noted in the journal.
    std::vector<std::string> m_driveCalls;

private:
    using ScriptedConnection = std::function<int()>;
    /// Records the attempt and passes it on.
    WizardServices::ConnectionTestCall Watched(WizardServices::ConnectionTestCall test);
    int NextScriptedResult(const std::string& server);
    void InstallNetworkDrive(WizardServices& services, NetworkDrive networkDrive);
    void NoteDriveCall(std::string call);
    int NextDriveResult(std::deque<int>& results, const std::string& call);

    std::deque<ScriptedConnection> m_connectionResults;
    std::deque<int> m_mapResults;
    std::deque<int> m_disconnectResults;
    std::unique_ptr<Wizard> m_wizard;
};

}  // namespace synvora::test
