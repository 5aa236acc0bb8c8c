#include "Win32PageWindow.h"

#include <algorithm>
#include <stdexcept>

#include "files/win32/WideText.h"
#include "wizard/win32/Win32Toolkit.h"

namespace synvora {

namespace {

// Control ids start above the dialog manager's own (IDOK, IDCANCEL, ... up to 11).
constexpr int kFirstControlId = 100;
constexpr UINT_PTR kProgressSubclass = 1;
constexpr DWORD kPageStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kPageExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
};

ControlClass ClassOf(const ControlLayout& control) {
    // Static texts show "&" as it is; buttons, check boxes and group boxes take it as the access key.
    switch (control.kind) {
        case ControlKind::Frame:
            return control.border ? ControlClass{L"BUTTON", BS_GROUPBOX} : ControlClass{L"STATIC", SS_LEFT};
        case ControlKind::Label:
            return {L"STATIC",
                    static_cast<DWORD>(SS_NOPREFIX |
                                       (control.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP | SS_CENTERIMAGE))};
        case ControlKind::TextField:
            return {WC_EDITW, static_cast<DWORD>(ES_AUTOHSCROLL | ES_LEFT |
                                                 (control.passwordChar != 0 ? ES_PASSWORD : 0))};
        case ControlKind::CheckBox:
            return {L"BUTTON",
                    static_cast<DWORD>(BS_AUTOCHECKBOX | (control.wordWrap ? BS_MULTILINE | BS_TOP : 0))};
        case ControlKind::Button:
            return {L"BUTTON", BS_PUSHBUTTON};
        case ControlKind::ProgressBar:
            return {PROGRESS_CLASSW, PBS_SMOOTH};
    }
    throw std::logic_error("unknown control kind");
}

bool HoldsTextApart(const ControlLayout& control) {
    return control.kind == ControlKind::ProgressBar ||
           (control.kind == ControlKind::Frame && !control.border);
}

bool CanTakeFocus(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::TextField || kind == ControlKind::CheckBox;
}

/// The progress bar draws its bar; the line of text on it is drawn over it afterwards.
LRESULT CALLBACK ProgressBarProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data) {
    const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_PAINT) {
        const auto* control = reinterpret_cast<const Win32Control*>(data);
        if (!control->text.empty()) {
            RECT area{};
            ::GetClientRect(window, &area);
            HDC context = ::GetDC(window);
            const HGDIOBJ oldFont =
                ::SelectObject(context, reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)));
            ::SetBkMode(context, TRANSPARENT);
            ::SetTextColor(context, ::GetSysColor(COLOR_WINDOWTEXT));
            ::DrawTextW(context, control->text.c_str(), static_cast<int>(control->text.size()), &area,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
            ::SelectObject(context, oldFont);
            ::ReleaseDC(window, context);
        }
    }
    return result;
}

}  // namespace

Win32PageWindow::Win32PageWindow(Win32Toolkit& toolkit, const PageLayout& layout, PageEvents& events)
    : m_toolkit(toolkit), m_events(events), m_name(layout.name) {
    RECT frame{0, 0, toolkit.Scaled(layout.width), toolkit.Scaled(layout.height)};
    ::AdjustWindowRectEx(&frame, kPageStyle, FALSE, kPageExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // Centred in the work area of the primary screen, as a dialog opens.
    RECT workArea{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    const int left = workArea.left + std::max(0L, (workArea.right - workArea.left - width) / 2);
    const int top = workArea.top + std::max(0L, (workArea.bottom - workArea.top - height) / 2);
    m_window = ::CreateWindowExW(kPageExStyle,
                                 reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(toolkit.PageClass())),
                                 Utf8ToWide(layout.caption).c_str(), kPageStyle, left, top, width, height,
                                 nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (m_window == nullptr) {
        throw std::runtime_error("cannot create the window of " + layout.name);
    }
    ::SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(toolkit.Icon(false)));
    ::SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(toolkit.Icon(true)));
    try {
        CreateControls(layout);
    } catch (...) {
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        ::DestroyWindow(m_window);
        throw;
    }
    m_toolkit.Register(m_name, m_window);
}

Win32PageWindow::~Win32PageWindow() {
    m_toolkit.Unregister(m_name, m_window);
    // No message reaches this object any more, also while the window goes.
    ::SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    for (const auto& [name, control] : m_controls) {
        if (control.kind == ControlKind::ProgressBar) {
            ::RemoveWindowSubclass(control.handle, ProgressBarProcedure, kProgressSubclass);
        }
    }
    ::DestroyWindow(m_window);
}

void Win32PageWindow::CreateControls(const PageLayout& layout) {
    int id = kFirstControlId;
    for (const ControlLayout& control : layout.controls) {
        POINT origin{0, 0};
        bool onHighlightBand = control.backColor == BackColor::HighlightText;
        if (!control.container.empty()) {
            auto container = m_controls.find(control.container);
            if (container == m_controls.end() || container->second.kind != ControlKind::Frame) {
                throw std::logic_error(layout.name + "." + control.name + ": container " + control.container +
                                       " is not a frame listed before it");
            }
            RECT frame{};
            ::GetWindowRect(container->second.handle, &frame);
            ::MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&frame), 2);
            origin = {frame.left, frame.top};
            onHighlightBand = onHighlightBand || container->second.onHighlightBand;
        }
        Win32Control drawn{.kind = control.kind,
                           .name = control.name,
                           .container = control.container,
                           .handle = CreateControl(control, id, origin),
                           .id = id,
                           .visible = control.visible,
                           .enabled = control.enabled,
                           .onHighlightBand = onHighlightBand,
                           .textHeldApart = HoldsTextApart(control),
                           .text = HoldsTextApart(control) ? Utf8ToWide(control.caption) : std::wstring()};
        ++id;
        auto [placed, added] = m_controls.emplace(control.name, std::move(drawn));
        if (!added) {
            ::DestroyWindow(placed->second.handle);
            throw std::logic_error(layout.name + " lists " + control.name + " twice");
        }
        if (control.kind == ControlKind::ProgressBar) {
            ::SetWindowSubclass(placed->second.handle, ProgressBarProcedure, kProgressSubclass,
                                reinterpret_cast<DWORD_PTR>(&placed->second));
        }
        ApplyState(placed->second);
    }
    OrderTabStops(layout);
}

HWND Win32PageWindow::CreateControl(const ControlLayout& control, int id, POINT origin) {
    const ControlClass controlClass = ClassOf(control);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | controlClass.style;
    if (CanTakeFocus(control.kind) && control.tabIndex >= 0) {
        // Each tab stop a group of its own: the arrow keys do not wander between them.
        style |= WS_TABSTOP | WS_GROUP;
    }
    const DWORD exStyle = control.kind == ControlKind::TextField ? WS_EX_CLIENTEDGE : 0;
    const std::wstring caption = HoldsTextApart(control) ? std::wstring() : Utf8ToWide(control.caption);
    HWND handle = ::CreateWindowExW(
        exStyle, controlClass.name, caption.c_str(), style, origin.x + m_toolkit.Scaled(control.bounds.left),
        origin.y + m_toolkit.Scaled(control.bounds.top), m_toolkit.Scaled(control.bounds.width),
        m_toolkit.Scaled(control.bounds.height), m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        ::GetModuleHandleW(nullptr), nullptr);
    if (handle == nullptr) {
        throw std::runtime_error("cannot create the control " + control.name);
    }
    ::SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(m_toolkit.FontOf(control.font)), FALSE);
    switch (control.kind) {
        case ControlKind::TextField:
            if (control.passwordChar != 0) {
                // The themed edit field would show its own dot.
                ::SendMessageW(handle, EM_SETPASSWORDCHAR, static_cast<WPARAM>(control.passwordChar), 0);
            }
            break;
        case ControlKind::CheckBox:
            ::SendMessageW(handle, BM_SETCHECK, control.value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case ControlKind::ProgressBar:
            ::SendMessageW(handle, PBM_SETRANGE32, 0, kProgressMaximum);
            ::SendMessageW(handle, PBM_SETPOS, static_cast<WPARAM>(control.value), 0);
            break;
        default:
            break;
    }
    return handle;
}

void Win32PageWindow::OrderTabStops(const PageLayout& layout) {
    // The dialog manager visits tab stops in the order of the windows: the layout's tab order,
    // on top; frames at the bottom, under the controls they hold.
    HWND after = HWND_TOP;
    for (const ControlLayout* stop : TabOrder(layout)) {
        HWND handle = m_controls.at(stop->name).handle;
        ::SetWindowPos(handle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        m_tabStops.push_back(handle);
        after = handle;
    }
    for (const auto& [name, control] : m_controls) {
        if (control.kind == ControlKind::Frame) {
            ::SetWindowPos(control.handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
}

Win32Control& Win32PageWindow::Find(std::string_view control) {
    auto it = m_controls.find(control);
    if (it == m_controls.end()) {
        throw std::logic_error(m_name + " has no control " + std::string(control));
    }
    return it->second;
}

const Win32Control& Win32PageWindow::Find(std::string_view control) const {
    return const_cast<Win32PageWindow*>(this)->Find(control);
}

const Win32Control* Win32PageWindow::FindById(int id) const {
    for (const auto& [name, control] : m_controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

const Win32Control* Win32PageWindow::FindByHandle(HWND handle) const {
    for (const auto& [name, control] : m_controls) {
        if (control.handle == handle) {
            return &control;
        }
    }
    return nullptr;
}

HWND Win32PageWindow::ControlHandle(std::string_view control) const {
    return Find(control).handle;
}

std::string Win32PageWindow::FocusedControl() const {
    const Win32Control* focused = FindByHandle(::GetFocus());
    return focused == nullptr ? std::string() : focused->name;
}

bool Win32PageWindow::ShownByFrames(const Win32Control& control) const {
    for (const Win32Control* at = &control; !at->container.empty();) {
        at = &Find(at->container);
        if (!at->visible) {
            return false;
        }
    }
    return true;
}

bool Win32PageWindow::EnabledByFrames(const Win32Control& control) const {
    for (const Win32Control* at = &control; !at->container.empty();) {
        at = &Find(at->container);
        if (!at->enabled) {
            return false;
        }
    }
    return true;
}

void Win32PageWindow::ApplyState(const Win32Control& changed) {
    for (const auto& [name, control] : m_controls) {
        bool affected = &control == &changed;
        for (const Win32Control* at = &control; !affected && !at->container.empty();) {
            at = &Find(at->container);
            affected = at == &changed;
        }
        if (!affected) {
            continue;
        }
        const bool show = control.visible && ShownByFrames(control);
        const bool enable = control.enabled && EnabledByFrames(control);
        if (!show || !enable) {
            MoveFocusAwayFrom(control.handle);
        }
        ::EnableWindow(control.handle, enable ? TRUE : FALSE);
        ::ShowWindow(control.handle, show ? SW_SHOWNA : SW_HIDE);
    }
}

void Win32PageWindow::MoveFocusAwayFrom(HWND control) {
    if (::GetFocus() != control) {
        return;
    }
    // Disabled or hidden, a control would keep the keyboard without taking keys.
    HWND next = ::GetNextDlgTabItem(m_window, control, FALSE);
    ::SetFocus(next != nullptr && next != control ? next : m_window);
}

void Win32PageWindow::RestoreFocus() {
    if (m_lastFocus != nullptr && ::IsWindow(m_lastFocus) && ::IsWindowEnabled(m_lastFocus) &&
        ::IsWindowVisible(m_lastFocus)) {
        ::SetFocus(m_lastFocus);
        return;
    }
    // A page shown for the first time starts with the focus on its first tab stop.
    for (HWND stop : m_tabStops) {
        if (::IsWindowEnabled(stop) && ::IsWindowVisible(stop)) {
            ::SetFocus(stop);
            return;
        }
    }
}

void Win32PageWindow::Show() {
    ::ShowWindow(m_window, SW_SHOW);
    ::SetForegroundWindow(m_window);
    if (::GetFocus() == nullptr || ::GetAncestor(::GetFocus(), GA_ROOT) != m_window) {
        RestoreFocus();
    }
}

void Win32PageWindow::Hide() {
    if (HWND focus = ::GetFocus(); focus != nullptr && ::GetParent(focus) == m_window) {
        m_lastFocus = focus;
    }
    ::ShowWindow(m_window, SW_HIDE);
}

bool Win32PageWindow::IsVisible() const {
    return ::IsWindowVisible(m_window) != FALSE;
}

void Win32PageWindow::SetFocus(std::string_view control) {
    HWND handle = Find(control).handle;
    m_lastFocus = handle;
    if (IsVisible()) {
        ::SetFocus(handle);
    }
}

std::string Win32PageWindow::Text(std::string_view control) const {
    const Win32Control& found = Find(control);
    return WideToUtf8(found.textHeldApart ? found.text : WindowText(found.handle));
}

void Win32PageWindow::SetText(std::string_view control, std::string_view text) {
    Win32Control& found = Find(control);
    const std::wstring wide = Utf8ToWide(text);
    if (found.textHeldApart) {
        found.text = wide;
        ::InvalidateRect(found.handle, nullptr, TRUE);
        return;
    }
    ::SetWindowTextW(found.handle, wide.c_str());
}

int Win32PageWindow::Value(std::string_view control) const {
    const Win32Control& found = Find(control);
    if (found.kind == ControlKind::ProgressBar) {
        return static_cast<int>(::SendMessageW(found.handle, PBM_GETPOS, 0, 0));
    }
    if (found.kind != ControlKind::CheckBox) {
        throw std::logic_error(m_name + "." + std::string(control) + " is not of the kind asked for");
    }
    return ::SendMessageW(found.handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32PageWindow::SetValue(std::string_view control, int value) {
    const Win32Control& found = Find(control);
    if (found.kind == ControlKind::ProgressBar) {
        if (value < 0 || value > kProgressMaximum) {
            throw std::logic_error("a progress bar holds 0 to kProgressMaximum");
        }
        ::SendMessageW(found.handle, PBM_SETPOS, static_cast<WPARAM>(value), 0);
        return;
    }
    if (found.kind != ControlKind::CheckBox) {
        throw std::logic_error(m_name + "." + std::string(control) + " is not of the kind asked for");
    }
    if (value != 0 && value != 1) {
        throw std::logic_error("a check box holds 0 or 1");
    }
    // BM_SETCHECK sends no BN_CLICKED: setting a value is no click.
    ::SendMessageW(found.handle, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32PageWindow::Visible(std::string_view control) const {
    return Find(control).visible;
}

void Win32PageWindow::SetVisible(std::string_view control, bool visible) {
    Win32Control& found = Find(control);
    found.visible = visible;
    ApplyState(found);
}

bool Win32PageWindow::Enabled(std::string_view control) const {
    const Win32Control& found = Find(control);
    return found.enabled && EnabledByFrames(found);
}

void Win32PageWindow::SetEnabled(std::string_view control, bool enabled) {
    Win32Control& found = Find(control);
    found.enabled = enabled;
    ApplyState(found);
}

void Win32PageWindow::Dispatch(int id, WORD notification) {
    const Win32Control* control = FindById(id);
    if (control == nullptr || notification != BN_CLICKED ||
        (control->kind != ControlKind::Button && control->kind != ControlKind::CheckBox)) {
        return;
    }
    // The handler may discard this page: nothing of it is touched afterwards.
    const std::string name = control->name;
    Win32Toolkit& toolkit = m_toolkit;
    try {
        m_events.OnClick(name);
    } catch (...) {
        // Not through the system's frames: the event loop raises it to its caller.
        toolkit.HandlerFailed(std::current_exception());
    }
}

LRESULT CALLBACK Win32PageWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        auto* page = static_cast<Win32PageWindow*>(creation->lpCreateParams);
        page->m_window = window;
    }
    auto* page = reinterpret_cast<Win32PageWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (page == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return page->OnMessage(message, wParam, lParam);
}

LRESULT Win32PageWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0) {
                Dispatch(LOWORD(wParam), HIWORD(wParam));
            }
            // IDOK and IDCANCEL from Enter and Escape: no button of the layouts answers them.
            return 0;
        case DM_GETDEFID: {
            // No page names a default button: Enter presses the button that has the focus, as
            // in a dialog, and nothing elsewhere.
            const Win32Control* focused = FindByHandle(::GetFocus());
            if (focused != nullptr && focused->kind == ControlKind::Button) {
                return MAKELRESULT(focused->id, DC_HASDEFID);
            }
            return 0;
        }
        case WM_CLOSE:
            // The page answers as its Cancel or Exit button does.
            try {
                m_events.OnCloseRequested();
            } catch (...) {
                m_toolkit.HandlerFailed(std::current_exception());
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (HWND focus = ::GetFocus(); focus != nullptr && ::GetParent(focus) == m_window) {
                    m_lastFocus = focus;
                }
            } else {
                RestoreFocus();
            }
            return 0;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_SETCURSOR:
            if (m_toolkit.Busy()) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            const Win32Control* control = FindByHandle(reinterpret_cast<HWND>(lParam));
            if (control != nullptr && control->onHighlightBand) {
                HDC context = reinterpret_cast<HDC>(wParam);
                ::SetBkColor(context, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
                ::SetTextColor(context, ::GetSysColor(COLOR_WINDOWTEXT));
                return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_HIGHLIGHTTEXT));
            }
            break;
        }
        case WM_QUERYENDSESSION:
            return m_toolkit.SessionEnding() ? TRUE : FALSE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                m_toolkit.SessionEnding();
            }
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(m_window, message, wParam, lParam);
}

}  // namespace synvora
