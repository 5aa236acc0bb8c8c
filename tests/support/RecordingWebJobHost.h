#pragma once

#include <string>

#include "support/RecordingJobHost.h"
#include "webmigration/WebJobHost.h"

namespace synvora::test {

/// A finish page stand-in for the web job: the slots, message boxes and busy work of a
/// RecordingJobHost (`page`), the web server page's fields, and the page's network drive on the
/// program's own MapNetworkDrive and DisconnectNetworkDrive.
class RecordingWebJobHost final : public WebJobHost {
public:
    RecordingJobHost page;
    WebServerFields web;
    std::string m_sMappedDrive;

    WebServerFields WebFields() override { return web; }
    int MapNetworkDrive(const std::string& i_sServer, const std::string& i_sUser,
                        const std::string& i_sPassword) override;
    int DisconnectNetworkDrive() override;
    std::string MappedDrive() override { return m_sMappedDrive; }

    DatabaseFields SourceFields() override { return page.SourceFields(); }
    DatabaseFields DestinationFields() override { return page.DestinationFields(); }
    void ClearSteps() override { page.ClearSteps(); }
    void ShowStep(int slot, std::string_view text) override { page.ShowStep(slot, text); }
    MsgBoxResult MsgBox(std::string_view prompt, int style) override { return page.MsgBox(prompt, style); }
    bool StopRequested() override { return page.StopRequested(); }
    void BeginBusyWork(std::string_view stopQuestion) override { page.BeginBusyWork(stopQuestion); }
    void ShowBusyProgress(std::string_view text, int permille) override {
        page.ShowBusyProgress(text, permille);
    }
    bool ContinueBusyWork() override { return page.ContinueBusyWork(); }
    void EndBusyWork() override { page.EndBusyWork(); }
};

}  // namespace synvora::test
