#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "wizard/toolkit/PageToolkit.h"

namespace synvora::test {

/// A message box the program showed.
struct ShownMsgBox {
    std::string text;
    int style = 0;
};

/// The window toolkit without windows: every control's state is kept in memory, the test plays
/// the user, message boxes are answered from a script, and everything the program does to the
/// screen is written to one ordered journal. Misuse that a real screen would punish or that a
/// test did not foresee (an unexpected message box, a click on a hidden page, focus on a hidden
/// page or a disabled control, two live instances of a page) fails the current test.
///
/// Journal entries: "create P", "show P", "hide P", "close P", "focus P.C", "text P.C=..."
/// (set by the program), "type P.C=..." (typed by the test), "value P.C=n", "enabled P.C=0|1",
/// "visible P.C=0|1",
/// "pointer busy", "pointer default", "doevents", "msgbox <style> <text>", "quit".
class HeadlessToolkit final : public PageToolkit {
public:
    HeadlessToolkit();
    HeadlessToolkit(const HeadlessToolkit&) = delete;
    HeadlessToolkit& operator=(const HeadlessToolkit&) = delete;
    /// Fails the test for every scripted message box that was never shown, and every failure set
    /// with FailAt that never came.
    ~HeadlessToolkit() override;

    std::unique_ptr<PageWindow> CreatePage(const PageLayout& layout, PageEvents& events) override;
    MsgBoxResult MsgBox(std::string_view prompt, int style) override;
    void SetMousePointer(MousePointer pointer) override;
    void DoEvents() override;
    void Quit() override;

    // The user.
    /// Presses a button or clicks a check box (which toggles first). Does nothing on a disabled
    /// control, as on a real screen.
    void Click(std::string_view page, std::string_view control);
    /// Replaces the text of a text field, as typing does.
    void Type(std::string_view page, std::string_view control, std::string_view text);
    /// Closes a shown page through its window frame.
    void CloseWindow(std::string_view page);
    /// The next message box must have this text and style; it is answered with `answer`.
    void ExpectMsgBox(std::string text, int style, MsgBoxResult answer = MsgBoxResult::Ok);
    /// Runs the action inside the next DoEvents, as a click that arrives during a pause.
    void DuringNextDoEvents(std::function<void()> action);
    /// The pointer change or message box that would write this journal entry ("pointer busy",
    /// "msgbox 64 ...") raises the error instead, once, and changes nothing: a screen that fails.
    void FailAt(std::string entry, std::exception_ptr error);
    /// Writes an entry of the test's own into the journal, for something that happens outside the
    /// toolkit (a connection attempt), so that its place among the screen's changes can be seen.
    void Note(std::string entry) { Record(std::move(entry)); }

    // What the screen shows.
    bool IsLoaded(std::string_view page) const;
    bool IsShown(std::string_view page) const;
    std::vector<std::string> ShownPages() const;
    std::string Text(std::string_view page, std::string_view control) const;
    int Value(std::string_view page, std::string_view control) const;
    bool Enabled(std::string_view page, std::string_view control) const;
    /// Whether the control itself is shown (whatever its page is).
    bool Visible(std::string_view page, std::string_view control) const;
    /// The control of the page that holds the keyboard focus, "" when none was set.
    std::string FocusedControl(std::string_view page) const;
    /// How many times a window of that page was created.
    int CreatedCount(std::string_view page) const;
    MousePointer Pointer() const { return m_pointer; }
    bool QuitCalled() const { return m_quitCalled; }
    const std::vector<ShownMsgBox>& MsgBoxes() const { return m_msgBoxes; }
    const std::vector<std::string>& Journal() const { return m_journal; }
    /// The journal entries that begin with one of the prefixes, in their order.
    std::vector<std::string> JournalOf(std::initializer_list<std::string_view> prefixes) const;
    void ClearJournal() { m_journal.clear(); }

    struct PageState;

private:
    friend class HeadlessPageWindow;

    struct ScriptedMsgBox {
        std::string text;
        int style;
        MsgBoxResult answer;
    };

    PageState* FindPage(std::string_view page) const;
    /// The page, shown: anything else fails the test and gives nullptr.
    PageState* ShownPage(std::string_view page, std::string_view action) const;
    void Record(std::string entry) { m_journal.push_back(std::move(entry)); }
    /// Raises the error set by FailAt for this entry, if any.
    void RaiseIfFailing(const std::string& entry);
    void Register(PageState& state);
    void Unregister(const PageState& state);

    std::map<std::string, PageState*, std::less<>> m_pages;
    std::map<std::string, int, std::less<>> m_created;
    std::deque<ScriptedMsgBox> m_script;
    std::vector<ShownMsgBox> m_msgBoxes;
    std::vector<std::function<void()>> m_duringDoEvents;
    std::map<std::string, std::exception_ptr, std::less<>> m_failures;
    std::vector<std::string> m_journal;
    MousePointer m_pointer = MousePointer::Default;
    bool m_quitCalled = false;
};

}  // namespace synvora::test
