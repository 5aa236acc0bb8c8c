#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "wizard/qt/LayoutRenderer.h"
#include "wizard/toolkit/PageToolkit.h"

namespace synvora {

/// The top-level window of one page. It hands clicks and close requests to the page until the
/// page lets go of it (Detach); closing through the frame never closes the window itself, the
/// page decides.
class PageWidget final : public QWidget {
public:
    explicit PageWidget(PageEvents& events);

    void Detach() { m_events = nullptr; }
    void DispatchClick(const std::string& control);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    PageEvents* m_events;
};

/// A page window drawn with Qt Widgets from the page's layout.
class QtPageWindow : public PageWindow {
public:
    QtPageWindow(const PageLayout& layout, PageEvents& events);
    ~QtPageWindow() override;

    void Show() override;
    void Hide() override;
    bool IsVisible() const override;
    void SetFocus(std::string_view control) override;
    std::string Text(std::string_view control) const override;
    void SetText(std::string_view control, std::string_view text) override;
    int Value(std::string_view control) const override;
    void SetValue(std::string_view control, int value) override;
    bool Enabled(std::string_view control) const override;
    void SetEnabled(std::string_view control, bool enabled) override;
    bool Visible(std::string_view control) const override;
    void SetVisible(std::string_view control, bool visible) override;

    QWidget& Widget() const { return *m_widget; }

private:
    /// The window may be going while one of its own signals is being delivered: it is deleted
    /// once control is back in the event loop.
    struct DeleteLater {
        void operator()(PageWidget* widget) const noexcept;
    };

    const RenderedControl& Find(std::string_view control) const;
    const RenderedControl& FindOfKind(std::string_view control, ControlKind kind) const;
    void ConnectClicks();

    std::string m_name;
    std::unique_ptr<PageWidget, DeleteLater> m_widget;
    RenderedControls m_controls;
    std::vector<QWidget*> m_tabStops;
};

}  // namespace synvora
