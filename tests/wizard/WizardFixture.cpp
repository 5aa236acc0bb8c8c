#include "WizardFixture.h"

#include "wizard/WizardServices.h"

namespace synvora::test {

WizardFixture::WizardFixture() = default;

// The wizard goes before the toolkit it draws on.
WizardFixture::~WizardFixture() {
    m_wizard.reset();
}

void WizardFixture::SetWebServerInstalled(bool installed) {
    std::string file =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\r\n"
        "\"ComputerName\"=\"NEWWEB\"\r\n\r\n";
    if (installed) {
        file +=
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1]\r\n"
            "\"path\"=\"C:\\\\Program Files\\\\Portivo\"\r\n\r\n";
    } else {
        // A neighbour of the product key, so that only the exact key can answer.
        file += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria]\r\n\"Other\"=\"1\"\r\n\r\n";
    }
    WriteBytes(m_dir / "HKLM.reg", file);
}

void WizardFixture::StartWizard(ConnectionTest connectionTest) {
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
