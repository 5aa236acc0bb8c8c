#include "frmFinish.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "dbmigration/DatabaseJob.h"
#include "webmigration/WebJob.h"
#include "wizard/Wizard.h"
#include "wizard/pages/PageLayouts.h"
#include "wizard/pages/frmDestination.h"
#include "wizard/pages/frmSource.h"
#include "wizard/pages/frmWeb.h"
#include "wizard/pages/frmWelcome.h"

namespace synvora {
namespace {

constexpr const char* kRunFinishedMessage = "Finished Migration.";
constexpr const char* kRunStoppedMessage = "Migration stopped with errors.";
constexpr const char* kElapsedTimeCaption = "Elapsed time: ";
// Painting a copy's progress after every small file would cost more than the copy itself.
constexpr std::chrono::milliseconds kProgressRepaint{100};
// The work's thousandths go to the bar unchanged.
static_assert(kBusyProgressMaximum == kProgressMaximum);

}  // namespace

frmFinish::frmFinish(Wizard& wizard)
    : Page(wizard, FinishLayout()),
      frmFinish1(Window(), "frmFinish1"),
      Label2(Window(), "Label2"),
      Label3(Window(), "Label3"),
      lblFinish2(Window(), "lblFinish2"),
      lblFinish3(Window(), "lblFinish3"),
      frmFinish2(Window(), "frmFinish2"),
      lblStep1(Window(), "lblStep1"),
      lblStep2(Window(), "lblStep2"),
      lblStep3(Window(), "lblStep3"),
      lblStep4(Window(), "lblStep4"),
      lblStep5(Window(), "lblStep5"),
      lblStep6(Window(), "lblStep6"),
      lblStep7(Window(), "lblStep7"),
      lblStep8(Window(), "lblStep8"),
      lblStep9(Window(), "lblStep9"),
      lblStep10(Window(), "lblStep10"),
      lblStep11(Window(), "lblStep11"),
      lblStep12(Window(), "lblStep12"),
      lblStep13(Window(), "lblStep13"),
      lblStep14(Window(), "lblStep14"),
      lblError(Window(), "lblError"),
      lblElapsed(Window(), "lblElapsed"),
      prgCopy(Window(), "prgCopy"),
      cmdBackofFinish(Window(), "cmdBackofFinish"),
      cmdFinish(Window(), "cmdFinish"),
      cmdCancelofSourcefrm(Window(), "cmdCancelofSourcefrm"),
      m_steps{&lblStep1, &lblStep2, &lblStep3,  &lblStep4,  &lblStep5,  &lblStep6,  &lblStep7,
              &lblStep8, &lblStep9, &lblStep10, &lblStep11, &lblStep12, &lblStep13, &lblStep14} {}

Label& frmFinish::lblStep(int slot) {
    if (slot < 1 || slot > kStepSlots) {
        throw std::out_of_range("frmFinish has no step slot " + std::to_string(slot));
    }
    return *m_steps[static_cast<std::size_t>(slot - 1)];
}

void frmFinish::ClearSteps() {
    for (Label* step : m_steps) {
        step->SetCaption("");
    }
    lblError.SetCaption("");
}

DatabaseFields frmFinish::SourceFields() {
    const frmSource& source = TheWizard().Source();
    return {source.txtSourceServer.Text(), source.txtSourceDataBase.Text(), source.txtSourceUser.Text(),
            source.txtSourcePassword.Text()};
}

DatabaseFields frmFinish::DestinationFields() {
    const frmDestination& destination = TheWizard().Destination();
    return {destination.txtDestServer.Text(), destination.txtDestDataBase.Text(),
            destination.txtDestUser.Text(), destination.txtDestPassword.Text()};
}

// The line is painted before the step's work blocks the window; Exit may be pressed meanwhile.
void frmFinish::ShowStep(int slot, std::string_view text) {
    lblStep(slot).SetCaption(text);
    Toolkit().DoEvents();
}

MsgBoxResult frmFinish::MsgBox(std::string_view prompt, int style) {
    return Toolkit().MsgBox(prompt, style);
}

WebServerFields frmFinish::WebFields() {
    const frmWeb& web = TheWizard().Web();
    return {web.txtWebServer.Text(), web.txtWebUser.Text(), web.txtWebPassword.Text(),
            web.txtWebInstallationFolder.Text()};
}

void frmFinish::BeginBusyWork(std::string_view stopQuestion) {
    m_busy = BusyWork{std::string(stopQuestion), std::chrono::steady_clock::now()};
    ShowElapsedTime();
}

// The first and the last state are always written; those between at most every kProgressRepaint.
void frmFinish::ShowBusyProgress(std::string_view text, int permille) {
    if (!m_busy) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const bool first = !m_busy->progressShown;
    if (!first && permille < kProgressMaximum && now - *m_busy->progressShown < kProgressRepaint) {
        return;
    }
    m_busy->progressShown = now;
    prgCopy.SetValue(std::clamp(permille, 0, kProgressMaximum));
    prgCopy.SetText(text);
    if (first) {
        prgCopy.SetVisible(true);
    }
}

bool frmFinish::ContinueBusyWork() {
    ShowElapsedTime();
    Toolkit().DoEvents();
    return !(m_busy && m_busy->stopChosen);
}

void frmFinish::EndBusyWork() {
    if (m_busy && m_busy->progressShown) {
        prgCopy.SetVisible(false);
        prgCopy.SetValue(0);
        prgCopy.SetText("");
    }
    m_busy.reset();
    lblElapsed.SetCaption("");
}

// Written only when the shown second changes, so that the label is not repainted for nothing.
void frmFinish::ShowElapsedTime() {
    if (!m_busy) {
        return;
    }
    const long long seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - m_busy->since)
            .count();
    if (seconds == m_busy->secondsShown) {
        return;
    }
    m_busy->secondsShown = seconds;
    const std::string twoDigits = (seconds % 60 < 10 ? "0" : "") + std::to_string(seconds % 60);
    lblElapsed.SetCaption(kElapsedTimeCaption + std::to_string(seconds / 60) + ":" + twoDigits);
}

void frmFinish::AskToStopBusyWork() {
    if (m_busy->stopChosen) {
        return;
    }
    // The question is modal; the work goes on meanwhile and is looked at again afterwards.
    const std::string question = m_busy->stopQuestion;
    if (Toolkit().MsgBox(question, kMsgBoxYesNo) == MsgBoxResult::Yes && m_busy) {
        m_busy->stopChosen = true;
        m_stopRequested = true;
    }
}

void frmFinish::StopRunAndLeave() {
    m_stopRequested = true;
    if (m_busy) {
        m_busy->stopChosen = true;
    }
}

void frmFinish::Click(std::string_view control) {
    if (control == cmdBackofFinish.Name()) {
        cmdBackofFinish_Click();
    } else if (control == cmdFinish.Name()) {
        cmdFinish_Click();
    } else if (control == cmdCancelofSourcefrm.Name()) {
        cmdCancelofSourcefrm_Click();
    }
}

// Closing the window is leaving the wizard, as Exit is.
void frmFinish::CloseRequested() {
    cmdCancelofSourcefrm_Click();
}

void frmFinish::cmdBackofFinish_Click() {
    if (TheWizard().Welcome().Optionweb.Value() == 1) {
        Hide();
        frmWeb& web = TheWizard().Web();
        web.Show();
        web.txtWebServer.SetFocus();
        return;
    }
    Hide();
    frmDestination& destination = TheWizard().Destination();
    destination.Show();
    destination.txtDestServer.SetFocus();
}

void frmFinish::cmdFinish_Click() {
    m_running = true;
    try {
        RunSelectedJobs();
    } catch (...) {
        EndRunAfterFailure();
    }
    m_running = false;
    if (m_stopRequested) {
        // Exit was pressed during the run: the pages go now that no job works on them any more.
        // They are destroyed once this handler has returned.
        TheWizard().UnloadAllPages();
    }
}

void frmFinish::RunSelectedJobs() {
    DisableStartAndBack();
    Toolkit().SetMousePointer(MousePointer::Busy);
    if (TheWizard().Welcome().Optiondb.Value() == 1) {
        MigrateDatabaseContent(*this);
    }
    // The web job runs also after a failed database job, but not once the user has left.
    if (!m_stopRequested && TheWizard().Welcome().Optionweb.Value() == 1) {
        MigrateWebContent(*this);
    }
    Toolkit().SetMousePointer(MousePointer::Default);
    if (m_stopRequested) {
        return;
    }
    DisableStartAndBack();
    Toolkit().MsgBox(kRunFinishedMessage, kMsgBoxInformation);
}

// Nothing is logged here: whatever failed has written its own entries.
void frmFinish::EndRunAfterFailure() noexcept {
    try {
        Toolkit().SetMousePointer(MousePointer::Default);
        DisableStartAndBack();
        if (!m_stopRequested) {
            Toolkit().MsgBox(kRunStoppedMessage, kMsgBoxInformation);
        }
    } catch (...) {
        // The screen itself fails; nothing is left to report with, and no failure may reach the
        // event loop.
    }
}

// Start and Back are never enabled again on this page: one run per wizard.
void frmFinish::DisableStartAndBack() {
    cmdFinish.SetEnabled(false);
    cmdBackofFinish.SetEnabled(false);
}

int frmFinish::MapNetworkDrive(const std::string& i_sServer, const std::string& i_sUser,
                               const std::string& i_sPassword) {
    const auto& map = TheWizard().Services().mapNetworkDrive;
    return map ? map(i_sServer, i_sUser, i_sPassword, m_sMappedDrive) : 1;
}

int frmFinish::DisconnectNetworkDrive() {
    const auto& disconnect = TheWizard().Services().disconnectNetworkDrive;
    return disconnect ? disconnect(m_sMappedDrive) : 1;
}

// During a run the job in progress is asked to stop after its current step, or, during blocking
// work, asked whether to stop that work; the run discards the pages when it is over.
void frmFinish::cmdCancelofSourcefrm_Click() {
    if (m_running && m_busy) {
        AskToStopBusyWork();
        return;
    }
    if (m_running) {
        m_stopRequested = true;
        return;
    }
    TheWizard().UnloadAllPages();
}

}  // namespace synvora
