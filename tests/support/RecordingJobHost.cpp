#include "RecordingJobHost.h"

#include <gtest/gtest.h>

namespace synvora::test {
namespace {

std::string BoxEntry(std::string_view prompt, int style) {
    return "box " + std::to_string(style) + ": " + std::string(prompt);
}

}  // namespace

RecordingJobHost::~RecordingJobHost() {
    for (const ExpectedBox& box : m_expectedBoxes) {
        ADD_FAILURE() << "Expected message box never shown: " << BoxEntry(box.prompt, box.style);
    }
}

void RecordingJobHost::ExpectMsgBox(std::string prompt, int style, MsgBoxResult answer) {
    m_expectedBoxes.push_back({std::move(prompt), style, answer});
}

void RecordingJobHost::RequestStopAtStep(int slot) {
    m_stopAtSlot = slot;
}

void RecordingJobHost::StopBusyWorkWhen(std::function<bool()> condition) {
    m_stopBusyWorkWhen = std::move(condition);
}

void RecordingJobHost::BeginBusyWork(std::string_view stopQuestion) {
    EXPECT_FALSE(m_busyWork) << "busy work begun twice";
    EXPECT_FALSE(stopQuestion.empty()) << "Exit would ask nothing";
    m_busyWork = true;
}

void RecordingJobHost::ShowBusyProgress(std::string_view text, int permille) {
    EXPECT_TRUE(m_busyWork) << "progress shown outside busy work";
    EXPECT_TRUE(permille >= 0 && permille <= 1000) << permille;
    m_journal.push_back("progress " + std::to_string(permille) + ": " + std::string(text));
}

bool RecordingJobHost::ContinueBusyWork() {
    EXPECT_TRUE(m_busyWork) << "busy work goes on without having begun";
    ++m_busyWorkCalls;
    // As on the page: an Exit pressed before the work began does not stop the work itself.
    if (m_stopBusyWorkWhen && m_stopBusyWorkWhen()) {
        m_stopBusyWorkWhen = nullptr;
        m_busyWorkStopped = true;
        m_stopRequested = true;
    }
    return !m_busyWorkStopped;
}

void RecordingJobHost::EndBusyWork() {
    EXPECT_TRUE(m_busyWork) << "busy work ended without having begun";
    m_busyWork = false;
}

const std::string& RecordingJobHost::Slot(int slot) const {
    return m_slots.at(static_cast<std::size_t>(slot - 1));
}

std::vector<std::string> RecordingJobHost::MsgBoxes() const {
    std::vector<std::string> boxes;
    for (const std::string& entry : m_journal) {
        if (entry.starts_with("box ")) {
            boxes.push_back(entry);
        }
    }
    return boxes;
}

DatabaseFields RecordingJobHost::SourceFields() {
    m_journal.push_back("source");
    if (onSourceFieldsRead) {
        onSourceFieldsRead();
    }
    return source;
}

DatabaseFields RecordingJobHost::DestinationFields() {
    m_journal.push_back("destination");
    return destination;
}

void RecordingJobHost::ClearSteps() {
    m_journal.push_back("clear");
    m_slots.fill("");
}

void RecordingJobHost::ShowStep(int slot, std::string_view text) {
    m_journal.push_back("step " + std::to_string(slot) + ": " + std::string(text));
    if (slot < 1 || slot > kSlots) {
        ADD_FAILURE() << "The finish page has no step slot " << slot;
        return;
    }
    m_slots[static_cast<std::size_t>(slot - 1)] = text;
    // The events processed after the line may hold a click on Exit.
    if (slot == m_stopAtSlot) {
        m_stopRequested = true;
    }
}

MsgBoxResult RecordingJobHost::MsgBox(std::string_view prompt, int style) {
    const std::string entry = BoxEntry(prompt, style);
    m_journal.push_back(entry);
    if (m_expectedBoxes.empty()) {
        ADD_FAILURE() << "Unexpected message box: " << entry;
        return MsgBoxResult::Ok;
    }
    const ExpectedBox expected = m_expectedBoxes.front();
    m_expectedBoxes.pop_front();
    EXPECT_EQ(entry, BoxEntry(expected.prompt, expected.style)) << "Message box out of order";
    return expected.answer;
}

}  // namespace synvora::test
