#include "TracingToolkit.h"

#include <stdexcept>
#include <utility>

#include "wizard/toolkit/TraceFile.h"

namespace synvora {
namespace {

std::string OnOneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
            continue;
        }
        if (text[at] == '\n' || text[at] == '\r') {
            line += "\\n";
        } else {
            line += text[at];
        }
    }
    return line;
}

const char* AnswerName(MsgBoxResult answer) {
    switch (answer) {
        case MsgBoxResult::Yes:
            return "Yes";
        case MsgBoxResult::No:
            return "No";
        case MsgBoxResult::Ok:
            break;
    }
    return "Ok";
}

/// A page window that reports its shows, hides and texts to the trace.
class TracingPageWindow final : public PageWindow {
public:
    TracingPageWindow(TracingToolkit& trace, std::string page, std::unique_ptr<PageWindow> inner)
        : m_trace(trace), m_page(std::move(page)), m_inner(std::move(inner)) {}

    void Show() override {
        m_inner->Show();
        m_trace.Write("show " + m_page);
    }
    void Hide() override {
        m_inner->Hide();
        m_trace.Write("hide " + m_page);
    }
    bool IsVisible() const override { return m_inner->IsVisible(); }
    void SetFocus(std::string_view control) override { m_inner->SetFocus(control); }
    std::string Text(std::string_view control) const override { return m_inner->Text(control); }
    void SetText(std::string_view control, std::string_view text) override {
        m_inner->SetText(control, text);
        m_trace.Write("text " + m_page + "." + std::string(control) + "=" + std::string(text));
    }
    int Value(std::string_view control) const override { return m_inner->Value(control); }
    void SetValue(std::string_view control, int value) override { m_inner->SetValue(control, value); }
    bool Visible(std::string_view control) const override { return m_inner->Visible(control); }
    void SetVisible(std::string_view control, bool visible) override {
        m_inner->SetVisible(control, visible);
    }
    bool Enabled(std::string_view control) const override { return m_inner->Enabled(control); }
    void SetEnabled(std::string_view control, bool enabled) override {
        m_inner->SetEnabled(control, enabled);
    }

private:
    TracingToolkit& m_trace;
    std::string m_page;
    std::unique_ptr<PageWindow> m_inner;
};

}  // namespace

TracingToolkit::TracingToolkit(PageToolkit& inner, const std::string& path) : m_inner(inner) {
    m_file = OpenTraceFile(path);
    if (m_file == nullptr) {
        throw std::runtime_error("cannot open the trace file " + path);
    }
}

TracingToolkit::~TracingToolkit() {
    std::fclose(m_file);
}

void TracingToolkit::Write(std::string_view line) {
    const std::string text = OnOneLine(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), m_file);
    std::fflush(m_file);
}

std::unique_ptr<PageWindow> TracingToolkit::CreatePage(const PageLayout& layout, PageEvents& events) {
    return std::make_unique<TracingPageWindow>(*this, layout.name, m_inner.CreatePage(layout, events));
}

MsgBoxResult TracingToolkit::MsgBox(std::string_view prompt, int style) {
    Write("msgbox " + std::to_string(style) + " " + std::string(prompt));
    const MsgBoxResult answer = m_inner.MsgBox(prompt, style);
    Write(std::string("answer ") + AnswerName(answer));
    return answer;
}

void TracingToolkit::SetMousePointer(MousePointer pointer) {
    m_inner.SetMousePointer(pointer);
}

void TracingToolkit::DoEvents() {
    m_inner.DoEvents();
}

void TracingToolkit::Quit() {
    Write("quit");
    m_inner.Quit();
}

}  // namespace synvora
