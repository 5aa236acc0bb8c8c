#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "dbmigration/DatabaseJobHost.h"
#include "webmigration/WebJobHost.h"
#include "wizard/pages/Page.h"
#include "wizard/toolkit/Controls.h"

namespace synvora {

/// The last page: the chosen jobs, Start, and the fixed step slots the jobs report into. Start runs
/// the selected jobs on this page; the jobs reach the pages through their hosts (DatabaseJobHost,
/// WebJobHost).
///
/// Exit (or closing the window) while a run is going asks the running job to stop after its
/// current step; the run then lets go of the busy pointer, shows nothing more and discards the
/// pages itself, so that no page goes away under a job that is still working on it. During the
/// blocking work of a step (the script run, a folder copy) Exit first asks whether to stop that
/// work: Yes stops it and leaves as above, No lets it go on. A folder copy shows how far it is in
/// a progress bar below the step list, hidden at all other times.
class frmFinish final : public Page, public WebJobHost {
public:
    explicit frmFinish(Wizard& wizard);

    Frame frmFinish1;
    Label Label2;
    Label Label3;
    /// Summary lines, set by the page that leads here.
    Label lblFinish2;
    Label lblFinish3;
    Frame frmFinish2;
    Label lblStep1;
    Label lblStep2;
    Label lblStep3;
    Label lblStep4;
    Label lblStep5;
    Label lblStep6;
    Label lblStep7;
    Label lblStep8;
    Label lblStep9;
    Label lblStep10;
    Label lblStep11;
    Label lblStep12;
    Label lblStep13;
    Label lblStep14;
    Label lblError;
    /// How long the blocking work of a step (the script run, a folder copy) has been going; empty
    /// otherwise.
    Label lblElapsed;
    /// Files and bytes of the folder being copied; shown only while a copy runs.
    ProgressBar prgCopy;
    CommandButton cmdBackofFinish;
    CommandButton cmdFinish;
    /// Exit; it carries the source page's Cancel name.
    CommandButton cmdCancelofSourcefrm;

    static constexpr int kStepSlots = 14;
    /// Step slot 1 to 14.
    Label& lblStep(int slot);

    /// Empties the step slots 1 to 14, in that order, and then lblError.
    void ClearSteps() override;

    // What the jobs use of the wizard while they run.
    DatabaseFields SourceFields() override;
    DatabaseFields DestinationFields() override;
    void ShowStep(int slot, std::string_view text) override;
    MsgBoxResult MsgBox(std::string_view prompt, int style) override;
    bool StopRequested() override { return m_stopRequested; }

    // Blocking work of a job: the page stays painted, shows the elapsed time and the progress the
    // work reports, and Exit asks whether to stop the work. Yes also means leaving, as Exit does
    // at other times.
    void BeginBusyWork(std::string_view stopQuestion) override;
    void ShowBusyProgress(std::string_view text, int permille) override;
    bool ContinueBusyWork() override;
    void EndBusyWork() override;

    WebServerFields WebFields() override;
    std::string MappedDrive() override { return m_sMappedDrive; }

    /// The drive of the last connection MapNetworkDrive made ("Z:"), "" when none is connected.
    std::string m_sMappedDrive;
    /// Connects an administrative share ("\\OLDWEB\D$") to a free drive letter, trying the login
    /// also with user and password exchanged: 0 with m_sMappedDrive set, or 1.
    int MapNetworkDrive(const std::string& i_sServer, const std::string& i_sUser,
                        const std::string& i_sPassword) override;
    /// Releases the drive in m_sMappedDrive, never forced: 0 with m_sMappedDrive emptied, or 1.
    int DisconnectNetworkDrive() override;

    /// True while Start's run is going.
    bool Running() const { return m_running; }
    /// Exit with Yes to the question of the blocking work, if any: the job stops after its
    /// current step (the work as soon as it can), and the run discards the pages when it is over.
    void StopRunAndLeave();

private:
    struct BusyWork {
        std::string stopQuestion;
        std::chrono::steady_clock::time_point since;
        long long secondsShown = -1;
        bool stopChosen = false;
        /// When the progress bar was last written; it is shown from the first progress on.
        std::optional<std::chrono::steady_clock::time_point> progressShown = std::nullopt;
    };

    void Click(std::string_view control) override;
    void CloseRequested() override;

    void cmdBackofFinish_Click();
    void cmdFinish_Click();
    void cmdCancelofSourcefrm_Click();

    /// The run of Start, without its failure catcher.
    void RunSelectedJobs();
    /// The end of a run that a failure escaped from; raises nothing.
    void EndRunAfterFailure() noexcept;
    void DisableStartAndBack();
    void ShowElapsedTime();
    void AskToStopBusyWork();

    std::array<Label*, kStepSlots> m_steps;
    bool m_running = false;
    /// Exit was pressed, or the window closed, during the run.
    bool m_stopRequested = false;
    /// Set while blocking work runs.
    std::optional<BusyWork> m_busy;
};

}  // namespace synvora
