#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "wizard/toolkit/PageToolkit.h"

namespace synvora {

/// A toolkit that passes everything on to another and writes what the program shows into a text
/// file, one line per change, flushed at once: "show P", "hide P", "text P.C=..." (set by the
/// program, never typed by the user, so no password appears), "msgbox <style> <text>" when a box
/// opens, "answer Ok|Yes|No" when it closes, and "quit". Line breaks inside a text are written as
/// "\n". Someone who drives the real window from outside reads it to know what the screen shows.
class TracingToolkit final : public PageToolkit {
public:
    /// Appends to the file at `path`, created owner-only; raises std::runtime_error when it
    /// cannot be opened.
    TracingToolkit(PageToolkit& inner, const std::string& path);
    TracingToolkit(const TracingToolkit&) = delete;
    TracingToolkit& operator=(const TracingToolkit&) = delete;
    ~TracingToolkit() override;

    std::unique_ptr<PageWindow> CreatePage(const PageLayout& layout, PageEvents& events) override;
    MsgBoxResult MsgBox(std::string_view prompt, int style) override;
    void SetMousePointer(MousePointer pointer) override;
    void DoEvents() override;
    void Quit() override;

    /// Writes one line; a failed write is not the program's failure and is dropped.
    void Write(std::string_view line);

private:
    PageToolkit& m_inner;
    std::FILE* m_file = nullptr;
};

}  // namespace synvora
