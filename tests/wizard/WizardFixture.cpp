#include "WizardFixture.h"

#include "support/WebContent.h"
#include "wizard/WizardServices.h"

namespace synvora::test {

WizardFixture::WizardFixture() = default;

// The wizard goes before the toolkit it draws on.
WizardFixture::~WizardFixture() {
    m_wizard.reset();
}

void WizardFixture::SetWebServerInstalled(bool installed,
                                          const std::optional<std::string>& installationFolder) {
    if (installed) {
        WriteBytes(m_dir / "HKLM.reg", NewWebServerRegistry(installationFolder));
        return;
    }
    // A neighbour of the product key, so that only the exact key can answer.
    WriteBytes(m_dir / "HKLM.reg",
               "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\r\n"
               "\"ComputerName\"=\"NEWWEB\"\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria]\r\n\"Other\"=\"1\"\r\n\r\n");
}

void WizardFixture::StartWizard(ConnectionTest connectionTest, NetworkDrive networkDrive) {
    WizardServices services = DefaultWizardServices();
    services.isWebServerInstalled = [this, check = services.isWebServerInstalled] {
        ++m_webServerChecks;
        return check();
    };
    switch (connectionTest) {
        case ConnectionTest::Scripted:
            services.testConnection =
                Watched([this](const std::string& server, const std::string&, const std::string&,
                               const std::string&) { return NextScriptedResult(server); });
            break;
        case ConnectionTest::Program:
            EXPECT_TRUE(services.testConnection) << "the program installs no connection test";
            services.testConnection = Watched(services.testConnection);
            break;
        case ConnectionTest::None:
            services.testConnection = nullptr;
            break;
    }
    InstallNetworkDrive(services, networkDrive);
    m_wizard.reset();
    m_wizard = std::make_unique<Wizard>(m_toolkit, std::move(services));
    m_wizard->Start();
}

WizardServices::ConnectionTestCall WizardFixture::Watched(WizardServices::ConnectionTestCall test) {
    return [this, test = std::move(test)](const std::string& server, const std::string& user,
                                          const std::string& password, const std::string& database) {
        m_connectionTests.push_back({server, user, password, database});
        m_toolkit.Note("connect " + server);
        return test(server, user, password, database);
    };
}

int WizardFixture::NextScriptedResult(const std::string& server) {
    if (m_connectionResults.empty()) {
        ADD_FAILURE() << "unexpected connection test to " << server;
        return 1;
    }
    const ScriptedConnection next = std::move(m_connectionResults.front());
    m_connectionResults.pop_front();
    return next();
}

void WizardFixture::InstallNetworkDrive(WizardServices& services, NetworkDrive networkDrive) {
    const WizardServices::MapDriveCall map =
        networkDrive == NetworkDrive::Program
            ? services.mapNetworkDrive
            : [this](const std::string&, const std::string&, const std::string&, std::string& drive) {
                  const int result = NextDriveResult(m_mapResults, "map");
                  if (result == 0) {
                      drive = "Z:";
                  }
                  return result;
              };
    const WizardServices::DisconnectDriveCall disconnect =
        networkDrive == NetworkDrive::Program ? services.disconnectNetworkDrive : [this](std::string& drive) {
            const int result = NextDriveResult(m_disconnectResults, "disconnect");
            if (result == 0) {
                drive.clear();
            }
            return result;
        };
    services.mapNetworkDrive = [this, map](const std::string& share, const std::string& user,
                                           const std::string& password, std::string& drive) {
        NoteDriveCall("map " + share + " " + user + " " + password);
        return map(share, user, password, drive);
    };
    services.disconnectNetworkDrive = [this, disconnect](std::string& drive) {
        NoteDriveCall("disconnect " + drive);
        return disconnect(drive);
    };
}

void WizardFixture::NoteDriveCall(std::string call) {
    m_toolkit.Note(call);
    m_driveCalls.push_back(std::move(call));
}

int WizardFixture::NextDriveResult(std::deque<int>& results, const std::string& call) {
    if (results.empty()) {
        ADD_FAILURE() << "unexpected network drive call: " << call;
        return 1;
    }
    const int result = results.front();
    results.pop_front();
    return result;
}

void WizardFixture::MapResults(std::initializer_list<int> results) {
    m_mapResults.insert(m_mapResults.end(), results);
}

void WizardFixture::DisconnectResults(std::initializer_list<int> results) {
    m_disconnectResults.insert(m_disconnectResults.end(), results);
}

void WizardFixture::ConnectionResults(std::initializer_list<int> results) {
    for (int result : results) {
        m_connectionResults.push_back([result] { return result; });
    }
}

void WizardFixture::ConnectionRaises(std::exception_ptr error) {
    m_connectionResults.push_back([error]() -> int { std::rethrow_exception(error); });
}

void WizardFixture::SelectJobs(bool database, bool web) {
    if ((m_toolkit.Value("frmWelcome", "Optiondb") == 1) != database) {
        m_toolkit.Click("frmWelcome", "Optiondb");
    }
    if ((m_toolkit.Value("frmWelcome", "Optionweb") == 1) != web) {
        m_toolkit.Click("frmWelcome", "Optionweb");
    }
}

void WizardFixture::FillDatabasePage(const std::string& page, const std::string& server,
                                     const std::string& database, const std::string& user,
                                     const std::string& password) {
    m_toolkit.Type(page, ServerField(page), server);
    m_toolkit.Type(page, DatabaseField(page), database);
    m_toolkit.Type(page, UserField(page), user);
    m_toolkit.Type(page, PasswordField(page), password);
}

void WizardFixture::ReachSourcePage(bool database, bool web) {
    SelectJobs(database, web);
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");
    ASSERT_TRUE(m_toolkit.IsShown("frmSource"));
}

void WizardFixture::ReachDestinationPage(bool web) {
    ReachSourcePage(true, web);
    FillDatabasePage("frmSource", "OLDSQL", "Synvora22", "sa", "old");
    ConnectionResults({0});
    m_toolkit.Click("frmSource", "cmdNextofSourcefrm");
    ASSERT_TRUE(m_toolkit.IsShown("frmDestination"));
}

void WizardFixture::ReachFinishPage() {
    ReachDestinationPage(false);
    FillDatabasePage("frmDestination", "NEWSQL", "Synvora25", "sa", "new");
    ConnectionResults({0});
    m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");
    ASSERT_TRUE(m_toolkit.IsShown("frmFinish"));
}

void WizardFixture::ReachWebPage(bool database) {
    SetWebServerInstalled(true);
    SelectJobs(database, true);
    m_toolkit.Click("frmWelcome", "cmdNextofWelcome");
    ASSERT_TRUE(m_toolkit.IsShown("frmSource"));
    FillDatabasePage("frmSource", "OLDSQL", "Synvora22", "sa", "old");
    ConnectionResults({0, 0});
    m_toolkit.Click("frmSource", "cmdNextofSourcefrm");
    FillDatabasePage("frmDestination", "NEWSQL", "Synvora25", "sa", "new");
    m_toolkit.Click("frmDestination", "cmdNextofSourcefrm");
    ASSERT_TRUE(m_toolkit.IsShown("frmWeb"));
}

void WizardFixture::FillWebPage(const std::string& server, const std::string& user,
                                const std::string& password, const std::string& installationFolder) {
    m_toolkit.Type("frmWeb", "txtWebServer", server);
    m_toolkit.Type("frmWeb", "txtWebUser", user);
    m_toolkit.Type("frmWeb", "txtWebPassword", password);
    m_toolkit.Type("frmWeb", "txtWebInstallationFolder", installationFolder);
}

std::string WizardFixture::ServerField(const std::string& page) {
    return page == "frmSource" ? "txtSourceServer" : "txtDestServer";
}
std::string WizardFixture::DatabaseField(const std::string& page) {
    return page == "frmSource" ? "txtSourceDataBase" : "txtDestDataBase";
}
std::string WizardFixture::UserField(const std::string& page) {
    return page == "frmSource" ? "txtSourceUser" : "txtDestUser";
}
std::string WizardFixture::PasswordField(const std::string& page) {
    return page == "frmSource" ? "txtSourcePassword" : "txtDestPassword";
}
std::string WizardFixture::StatusLabel(const std::string& page) {
    return page == "frmSource" ? "lblStatusSource" : "lblStatusDest";
}

}  // namespace synvora::test
