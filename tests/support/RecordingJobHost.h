#pragma once

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "dbmigration/DatabaseJobHost.h"

namespace synvora::test {

/// A finish page stand-in for the database job. It keeps the fourteen step slots as the page
/// would show them, journals every call in order, answers message boxes from a list of expected
/// ones and fails the test on a box that is not the next expected one. An expected box that never
/// comes fails the test when the host is destroyed.
class RecordingJobHost final : public DatabaseJobHost {
public:
    static constexpr int kSlots = 14;

    RecordingJobHost() = default;
    RecordingJobHost(const RecordingJobHost&) = delete;
    RecordingJobHost& operator=(const RecordingJobHost&) = delete;
    ~RecordingJobHost() override;

    /// The fields the job reads; tests set them before the run.
    DatabaseFields source;
    DatabaseFields destination;
    /// Runs whenever the job reads the source fields, to look at the world at that moment.
    std::function<void()> onSourceFieldsRead;

    /// The next message box must have this prompt and style; it is answered with answer.
    void ExpectMsgBox(std::string prompt, int style, MsgBoxResult answer = MsgBoxResult::Ok);
    /// Plays Exit pressed while the events after the line of this slot are processed.
    void RequestStopAtStep(int slot);
    /// Plays Exit pressed and the stop question answered Yes during the first call of
    /// ContinueBusyWork at which the condition holds.
    void StopBusyWorkWhen(std::function<bool()> condition);

    /// Text of lblStep<slot> now.
    const std::string& Slot(int slot) const;
    /// Every call in order: "clear", "step <n>: <text>", "box <style>: <prompt>", "source",
    /// "destination", "progress <permille>: <text>".
    const std::vector<std::string>& Journal() const { return m_journal; }
    /// The message boxes shown, as "box <style>: <prompt>".
    std::vector<std::string> MsgBoxes() const;
    /// Calls of ContinueBusyWork so far, and whether busy work is going on now.
    int BusyWorkCalls() const { return m_busyWorkCalls; }
    bool BusyWorkGoingOn() const { return m_busyWork; }

    DatabaseFields SourceFields() override;
    DatabaseFields DestinationFields() override;
    void ClearSteps() override;
    void ShowStep(int slot, std::string_view text) override;
    MsgBoxResult MsgBox(std::string_view prompt, int style) override;
    bool StopRequested() override { return m_stopRequested; }
    void BeginBusyWork(std::string_view stopQuestion) override;
    void ShowBusyProgress(std::string_view text, int permille) override;
    bool ContinueBusyWork() override;
    void EndBusyWork() override;

private:
    struct ExpectedBox {
        std::string prompt;
        int style;
        MsgBoxResult answer;
    };

    std::array<std::string, kSlots> m_slots;
    std::vector<std::string> m_journal;
    std::deque<ExpectedBox> m_expectedBoxes;
    int m_stopAtSlot = 0;
    bool m_stopRequested = false;
    bool m_busyWork = false;
    int m_busyWorkCalls = 0;
    std::function<bool()> m_stopBusyWorkWhen;
    bool m_busyWorkStopped = false;
};

}  // namespace synvora::test
