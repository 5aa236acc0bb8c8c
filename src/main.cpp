#include <sys/resource.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "database/odbc/DataAccess.h"
#include "network/NetworkDrives.h"
#include "wizard/Wizard.h"
#include "wizard/qt/QtToolkit.h"
#include "wizard/qt/TerminationSignals.h"
#include "wizard/toolkit/TracingToolkit.h"

namespace {

bool HasDisplayOrPlatform() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

/// Start-up measurement hook: with SYNVORA_STARTUP_PROBE set, the program prints the wall-clock
/// time (nanoseconds since the epoch) at which the welcome page was first painted and its peak
/// memory so far, then ends. bench/startup.sh reads the line.
void ReportFirstPaintAndQuit(synvora::Wizard& wizard) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("first-paint-ns %lld max-rss-kb %ld\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()),
                usage.ru_maxrss);
    std::fflush(stdout);
    wizard.UnloadAllPages();
}

}  // namespace

int main([[maybe_unused]] int argc, char** argv) {
    synvora::InitializeDataAccess();
    if (!HasDisplayOrPlatform()) {
        std::cerr << "synvora-migration-wizard: no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                     "run it in a desktop session, or try: xvfb-run -a "
                  << argv[0] << "\n";
        return 1;
    }
    // The program takes no arguments: only the program name reaches Qt.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);

    synvora::QtToolkit toolkit;
    // With SYNVORA_UI_TRACE naming a file, what the pages show is written there as well, for
    // whoever drives the window from outside (the demo and its test).
    std::unique_ptr<synvora::TracingToolkit> trace;
    if (const char* tracePath = std::getenv("SYNVORA_UI_TRACE"); tracePath != nullptr && *tracePath != '\0') {
        try {
            trace = std::make_unique<synvora::TracingToolkit>(toolkit, tracePath);
        } catch (const std::exception& failure) {
            std::cerr << "synvora-migration-wizard: " << failure.what() << "\n";
            return 1;
        }
    }
    synvora::Wizard wizard(trace ? static_cast<synvora::PageToolkit&>(*trace) : toolkit,
                           synvora::DefaultWizardServices());
    if (std::getenv("SYNVORA_STARTUP_PROBE") != nullptr) {
        toolkit.OnFirstPaint([&wizard] { ReportFirstPaintAndQuit(wizard); });
    }
    // Asked from outside to end (logout, kill, Ctrl+C): as Exit with Yes, and no box waits for an
    // answer any more.
    const synvora::TerminationSignals endRequests([&toolkit, &wizard] {
        toolkit.DismissMessageBoxes();
        wizard.EndSession();
    });
    wizard.Start();
    if (toolkit.QuitRequested()) {
        return 0;
    }
    const int exitCode = QApplication::exec();
    // A web job that stopped part-way leaves its drive connected; nothing stays connected after
    // the program.
    synvora::ReleaseAllNetworkDrives();
    return exitCode;
}
