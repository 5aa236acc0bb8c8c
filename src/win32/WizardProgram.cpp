#include "WizardProgram.h"

#include <memory>
#include <string>

#include "database/odbc/DataAccess.h"
#include "files/win32/WideText.h"
#include "network/NetworkDrives.h"
#include "wizard/Wizard.h"
#include "wizard/toolkit/TracingToolkit.h"
#include "wizard/win32/Win32Toolkit.h"

namespace synvora {

namespace {

/// A failure before the first page shows has no page to tell it: a message box does.
int ShowStartFailure(const std::string& what) {
    ::MessageBoxW(nullptr, Utf8ToWide(what).c_str(), Utf8ToWide(kApplicationTitle).c_str(),
                  MB_OK | MB_ICONHAND);
    return 1;
}

}  // namespace

int RunWizardProgram() {
    try {
        InitializeDataAccess();
        Win32Toolkit toolkit;
        // With SYNVORA_UI_TRACE naming a file, what the pages show is written there as well, for
        // whoever drives the window from outside (the tests under Wine).
        std::unique_ptr<TracingToolkit> trace;
        if (const wchar_t* tracePath = ::_wgetenv(L"SYNVORA_UI_TRACE");
            tracePath != nullptr && *tracePath != L'\0') {
            trace = std::make_unique<TracingToolkit>(toolkit, WideToUtf8(tracePath));
        }
        Wizard wizard(trace ? static_cast<PageToolkit&>(*trace) : toolkit, DefaultWizardServices());
        // Windows ends the session (log-off, shut-down): as Exit with Yes, and no box waits for an
        // answer any more.
        toolkit.OnSessionEnd([&toolkit, &wizard] {
            toolkit.DismissMessageBoxes();
            wizard.EndSession();
        });
        wizard.Start();
        const int exitCode = toolkit.QuitRequested() ? 0 : toolkit.Run();
        // A web job that stopped part-way leaves its drive connected; nothing stays connected after
        // the program.
        ReleaseAllNetworkDrives();
        return exitCode;
    } catch (const std::exception& failure) {
        return ShowStartFailure(std::string("The Migration Wizard cannot go on: ") + failure.what());
    }
}

}  // namespace synvora
