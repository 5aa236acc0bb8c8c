#include "HeadlessToolkit.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

namespace synvora::test {

namespace {

struct ControlState {
    ControlKind kind;
    std::string text;
    int value;
    bool enabled;
    bool visible;
};

bool CanTakeFocus(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::TextField || kind == ControlKind::CheckBox;
}

std::string Flag(bool on) {
    return on ? "1" : "0";
}

}  // namespace

struct HeadlessToolkit::PageState {
    std::string name;
    bool visible = false;
    std::string focus;
    std::map<std::string, ControlState, std::less<>> controls;
    PageEvents* events = nullptr;

    ControlState& Control(std::string_view control) {
        auto it = controls.find(control);
        if (it == controls.end()) {
            throw std::logic_error(name + " has no control " + std::string(control));
        }
        return it->second;
    }
    const ControlState& Control(std::string_view control) const {
        return const_cast<PageState*>(this)->Control(control);
    }
    std::string Path(std::string_view control) const { return name + "." + std::string(control); }
};

/// The page window: its state lives here and is listed with the toolkit while the window exists.
class HeadlessPageWindow final : public PageWindow {
public:
    HeadlessPageWindow(HeadlessToolkit& toolkit, const PageLayout& layout, PageEvents& events)
        : m_toolkit(toolkit) {
        m_state.name = layout.name;
        m_state.events = &events;
        for (const ControlLayout& control : layout.controls) {
            m_state.controls.emplace(control.name, ControlState{control.kind, control.caption, control.value,
                                                                control.enabled, control.visible});
        }
        m_toolkit.Register(m_state);
    }
    ~HeadlessPageWindow() override { m_toolkit.Unregister(m_state); }

    void Show() override {
        m_state.visible = true;
        m_toolkit.Record("show " + m_state.name);
    }
    void Hide() override {
        m_state.visible = false;
        m_toolkit.Record("hide " + m_state.name);
    }
    bool IsVisible() const override { return m_state.visible; }

    void SetFocus(std::string_view control) override {
        const ControlState& target = m_state.Control(control);
        if (!CanTakeFocus(target.kind)) {
            throw std::logic_error(m_state.Path(control) + " cannot take the focus");
        }
        // A real screen refuses both: the caller has shown the wrong page or forgot to enable.
        if (!m_state.visible) {
            ADD_FAILURE() << "focus set on " << m_state.Path(control) << " while the page is hidden";
        } else if (!target.enabled) {
            ADD_FAILURE() << "focus set on the disabled control " << m_state.Path(control);
        }
        m_state.focus = std::string(control);
        m_toolkit.Record("focus " + m_state.Path(control));
    }

    std::string Text(std::string_view control) const override { return m_state.Control(control).text; }
    void SetText(std::string_view control, std::string_view text) override {
        m_state.Control(control).text = std::string(text);
        m_toolkit.Record("text " + m_state.Path(control) + "=" + std::string(text));
    }

    int Value(std::string_view control) const override { return WithValue(control).value; }
    void SetValue(std::string_view control, int value) override {
        ControlState& state = WithValue(control);
        const int highest = state.kind == ControlKind::ProgressBar ? kProgressMaximum : 1;
        if (value < 0 || value > highest) {
            throw std::logic_error(m_state.Path(control) + " cannot hold " + std::to_string(value));
        }
        state.value = value;
        m_toolkit.Record("value " + m_state.Path(control) + "=" + std::to_string(value));
    }

    bool Visible(std::string_view control) const override { return m_state.Control(control).visible; }
    void SetVisible(std::string_view control, bool visible) override {
        m_state.Control(control).visible = visible;
        m_toolkit.Record("visible " + m_state.Path(control) + "=" + Flag(visible));
    }

    bool Enabled(std::string_view control) const override { return m_state.Control(control).enabled; }
    void SetEnabled(std::string_view control, bool enabled) override {
        m_state.Control(control).enabled = enabled;
        m_toolkit.Record("enabled " + m_state.Path(control) + "=" + Flag(enabled));
    }

private:
    ControlState& WithValue(std::string_view control) const {
        ControlState& state = const_cast<HeadlessToolkit::PageState&>(m_state).Control(control);
        if (state.kind != ControlKind::CheckBox && state.kind != ControlKind::ProgressBar) {
            throw std::logic_error(m_state.Path(control) + " is neither a check box nor a progress bar");
        }
        return state;
    }

    HeadlessToolkit& m_toolkit;
    HeadlessToolkit::PageState m_state;
};

HeadlessToolkit::HeadlessToolkit() = default;

HeadlessToolkit::~HeadlessToolkit() {
    for (const ScriptedMsgBox& expected : m_script) {
        ADD_FAILURE() << "expected message box never shown: \"" << expected.text << "\" (style "
                      << expected.style << ")";
    }
    for (const auto& [entry, error] : m_failures) {
        ADD_FAILURE() << "the screen was to fail at \"" << entry << "\", which never came";
    }
}

std::unique_ptr<PageWindow> HeadlessToolkit::CreatePage(const PageLayout& layout, PageEvents& events) {
    ++m_created[layout.name];
    Record("create " + layout.name);
    return std::make_unique<HeadlessPageWindow>(*this, layout, events);
}

void HeadlessToolkit::Register(PageState& state) {
    if (!m_pages.emplace(state.name, &state).second) {
        ADD_FAILURE() << "a second instance of " << state.name << " was created";
    }
}

void HeadlessToolkit::Unregister(const PageState& state) {
    auto it = m_pages.find(state.name);
    if (it != m_pages.end() && it->second == &state) {
        m_pages.erase(it);
        Record("close " + state.name);
    }
}

MsgBoxResult HeadlessToolkit::MsgBox(std::string_view prompt, int style) {
    RaiseIfFailing("msgbox " + std::to_string(style) + " " + std::string(prompt));
    m_msgBoxes.push_back({std::string(prompt), style});
    Record("msgbox " + std::to_string(style) + " " + std::string(prompt));
    if (m_script.empty()) {
        ADD_FAILURE() << "unexpected message box: \"" << prompt << "\" (style " << style << ")";
        return style == kMsgBoxYesNo ? MsgBoxResult::No : MsgBoxResult::Ok;
    }
    ScriptedMsgBox expected = std::move(m_script.front());
    m_script.pop_front();
    EXPECT_EQ(prompt, expected.text) << "message box text";
    EXPECT_EQ(style, expected.style) << "style of the message box \"" << prompt << "\"";
    return expected.answer;
}

void HeadlessToolkit::SetMousePointer(MousePointer pointer) {
    std::string entry = pointer == MousePointer::Busy ? "pointer busy" : "pointer default";
    RaiseIfFailing(entry);
    m_pointer = pointer;
    Record(std::move(entry));
}

void HeadlessToolkit::FailAt(std::string entry, std::exception_ptr error) {
    m_failures[std::move(entry)] = std::move(error);
}

void HeadlessToolkit::RaiseIfFailing(const std::string& entry) {
    auto it = m_failures.find(entry);
    if (it == m_failures.end()) {
        return;
    }
    const std::exception_ptr error = it->second;
    m_failures.erase(it);
    std::rethrow_exception(error);
}

void HeadlessToolkit::DoEvents() {
    Record("doevents");
    std::vector<std::function<void()>> pending = std::exchange(m_duringDoEvents, {});
    for (std::function<void()>& action : pending) {
        action();
    }
}

void HeadlessToolkit::Quit() {
    m_quitCalled = true;
    Record("quit");
}

HeadlessToolkit::PageState* HeadlessToolkit::FindPage(std::string_view page) const {
    auto it = m_pages.find(page);
    return it == m_pages.end() ? nullptr : it->second;
}

HeadlessToolkit::PageState* HeadlessToolkit::ShownPage(std::string_view page, std::string_view action) const {
    PageState* state = FindPage(page);
    if (state == nullptr) {
        ADD_FAILURE() << action << ": " << page << " does not exist";
    } else if (!state->visible) {
        ADD_FAILURE() << action << ": " << page << " is hidden";
        state = nullptr;
    }
    return state;
}

void HeadlessToolkit::Click(std::string_view page, std::string_view control) {
    PageState* state = ShownPage(page, "click on " + std::string(control));
    if (state == nullptr) {
        return;
    }
    ControlState& target = state->Control(control);
    if (target.kind != ControlKind::Button && target.kind != ControlKind::CheckBox) {
        ADD_FAILURE() << state->Path(control) << " is neither a button nor a check box";
        return;
    }
    if (!target.enabled) {
        return;
    }
    if (target.kind == ControlKind::CheckBox) {
        target.value = target.value == 0 ? 1 : 0;
    }
    // The handler may discard the page with its state: nothing of it is touched afterwards.
    PageEvents* events = state->events;
    events->OnClick(control);
}

void HeadlessToolkit::Type(std::string_view page, std::string_view control, std::string_view text) {
    PageState* state = ShownPage(page, "typing into " + std::string(control));
    if (state == nullptr) {
        return;
    }
    ControlState& target = state->Control(control);
    if (target.kind != ControlKind::TextField || !target.enabled) {
        ADD_FAILURE() << state->Path(control) << " is not an enabled text field";
        return;
    }
    target.text = std::string(text);
    Record("type " + state->Path(control) + "=" + std::string(text));
}

void HeadlessToolkit::CloseWindow(std::string_view page) {
    PageState* state = ShownPage(page, "closing the window");
    if (state != nullptr) {
        PageEvents* events = state->events;
        events->OnCloseRequested();
    }
}

void HeadlessToolkit::ExpectMsgBox(std::string text, int style, MsgBoxResult answer) {
    m_script.push_back({std::move(text), style, answer});
}

void HeadlessToolkit::DuringNextDoEvents(std::function<void()> action) {
    m_duringDoEvents.push_back(std::move(action));
}

bool HeadlessToolkit::IsLoaded(std::string_view page) const {
    return FindPage(page) != nullptr;
}

bool HeadlessToolkit::IsShown(std::string_view page) const {
    const PageState* state = FindPage(page);
    return state != nullptr && state->visible;
}

std::vector<std::string> HeadlessToolkit::ShownPages() const {
    std::vector<std::string> shown;
    for (const auto& [name, state] : m_pages) {
        if (state->visible) {
            shown.push_back(name);
        }
    }
    return shown;
}

namespace {

template <typename State>
State& Existing(State* state, std::string_view page) {
    if (state == nullptr) {
        throw std::logic_error(std::string(page) + " does not exist");
    }
    return *state;
}

}  // namespace

std::string HeadlessToolkit::Text(std::string_view page, std::string_view control) const {
    return Existing(FindPage(page), page).Control(control).text;
}

int HeadlessToolkit::Value(std::string_view page, std::string_view control) const {
    return Existing(FindPage(page), page).Control(control).value;
}

bool HeadlessToolkit::Enabled(std::string_view page, std::string_view control) const {
    return Existing(FindPage(page), page).Control(control).enabled;
}

bool HeadlessToolkit::Visible(std::string_view page, std::string_view control) const {
    return Existing(FindPage(page), page).Control(control).visible;
}

std::string HeadlessToolkit::FocusedControl(std::string_view page) const {
    return Existing(FindPage(page), page).focus;
}

int HeadlessToolkit::CreatedCount(std::string_view page) const {
    auto it = m_created.find(page);
    return it == m_created.end() ? 0 : it->second;
}

std::vector<std::string> HeadlessToolkit::JournalOf(std::initializer_list<std::string_view> prefixes) const {
    std::vector<std::string> entries;
    for (const std::string& entry : m_journal) {
        for (std::string_view prefix : prefixes) {
            if (entry.starts_with(prefix)) {
                entries.push_back(entry);
                break;
            }
        }
    }
    return entries;
}

}  // namespace synvora::test
