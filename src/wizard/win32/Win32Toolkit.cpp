#include "Win32Toolkit.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "files/win32/WideText.h"
#include "wizard/win32/Win32PageWindow.h"

namespace synvora {

namespace {

constexpr wchar_t kPageClassName[] = L"SynvoraMigrationWizardPage";
// The program's icon in its resources (WizardResources.rc).
constexpr WORD kApplicationIconId = 1;
// The face the layouts name is that of the classic dialogs: it becomes the system's dialog face.
constexpr const char* kClassicDialogFace = "MS Sans Serif";
constexpr double kClassicDialogPoints = 8.25;
constexpr wchar_t kStoppingReason[] = L"The migration stops after the step in hand; the wizard then ends.";

constexpr int kLayoutDpi = 96;

UINT MessageBoxFlags(int style) {
    switch (style) {
        case kMsgBoxOkOnly:
            return MB_OK;
        case kMsgBoxYesNo:
            return MB_YESNO | MB_DEFBUTTON1;
        case kMsgBoxCritical:
            return MB_OK | MB_ICONHAND;
        case kMsgBoxInformation:
            return MB_OK | MB_ICONINFORMATION;
        default:
            throw std::invalid_argument("unknown message box style " + std::to_string(style));
    }
}

HICON LoadApplicationIcon(int metric) {
    const int size = ::GetSystemMetrics(metric);
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kApplicationIconId),
                                           IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

BOOL CALLBACK DismissBox(HWND window, LPARAM) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (std::wstring_view(className) != L"#32770" || !::IsWindowVisible(window)) {
        return TRUE;
    }
    // The escape answer: No where the box has it, else OK.
    const int answer = ::GetDlgItem(window, IDNO) != nullptr ? IDNO : IDOK;
    if (HWND button = ::GetDlgItem(window, answer)) {
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
    return TRUE;
}

}  // namespace

Win32Toolkit::Win32Toolkit() {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    if (!::InitCommonControlsEx(&controls)) {
        throw std::runtime_error("the common controls cannot be initialised");
    }
    // The program declares itself DPI-aware in its manifest: layouts are scaled to this screen.
    HDC screen = ::GetDC(nullptr);
    m_dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    m_metrics.cbSize = sizeof(m_metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(m_metrics), &m_metrics, 0);
    m_bigIcon = LoadApplicationIcon(SM_CXICON);
    m_smallIcon = LoadApplicationIcon(SM_CXSMICON);

    WNDCLASSEXW pageClass{};
    pageClass.cbSize = sizeof(pageClass);
    pageClass.lpfnWndProc = Win32PageWindow::WindowProcedure;
    pageClass.hInstance = ::GetModuleHandleW(nullptr);
    pageClass.hIcon = m_bigIcon;
    pageClass.hIconSm = m_smallIcon;
    pageClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    pageClass.hbrBackground = ::GetSysColorBrush(COLOR_3DFACE);
    pageClass.lpszClassName = kPageClassName;
    m_pageClass = ::RegisterClassExW(&pageClass);
    if (m_pageClass == 0) {
        throw std::runtime_error("the page window class cannot be registered");
    }
}

Win32Toolkit::~Win32Toolkit() {
    ::UnregisterClassW(kPageClassName, ::GetModuleHandleW(nullptr));
    for (const auto& [key, font] : m_fonts) {
        ::DeleteObject(font);
    }
    for (HICON icon : {m_bigIcon, m_smallIcon}) {
        if (icon != nullptr) {
            ::DestroyIcon(icon);
        }
    }
}

std::unique_ptr<PageWindow> Win32Toolkit::CreatePage(const PageLayout& layout, PageEvents& events) {
    return std::make_unique<Win32PageWindow>(*this, layout, events);
}

HWND Win32Toolkit::MessageBoxOwner() const {
    HWND active = ::GetActiveWindow();
    for (const auto& [name, window] : m_pages) {
        if (window == active) {
            return window;
        }
    }
    for (const auto& [name, window] : m_pages) {
        if (::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

MsgBoxResult Win32Toolkit::MsgBox(std::string_view prompt, int style) {
    const MsgBoxResult escape = style == kMsgBoxYesNo ? MsgBoxResult::No : MsgBoxResult::Ok;
    const UINT flags = MessageBoxFlags(style);
    if (m_dismissing) {
        return escape;
    }
    // The owner page takes no input while the box is open; the box shows the normal pointer.
    ++m_openBoxes;
    const int answer = ::MessageBoxW(MessageBoxOwner(), Utf8ToWide(prompt).c_str(),
                                     Utf8ToWide(kApplicationTitle).c_str(), flags | MB_SETFOREGROUND);
    --m_openBoxes;
    if (m_busy) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    }
    switch (answer) {
        case IDYES:
            return MsgBoxResult::Yes;
        case IDNO:
            return MsgBoxResult::No;
        default:
            return escape;
    }
}

void Win32Toolkit::DismissMessageBoxes() {
    m_dismissing = true;
    ::EnumThreadWindows(::GetCurrentThreadId(), DismissBox, 0);
}

void Win32Toolkit::SetMousePointer(MousePointer pointer) {
    m_busy = pointer == MousePointer::Busy;
    // Shown at once: blocking work follows, and no WM_SETCURSOR comes while it runs.
    ::SetCursor(::LoadCursorW(nullptr, Busy() ? IDC_WAIT : IDC_ARROW));
}

void Win32Toolkit::Dispatch(MSG& message) {
    HWND page = message.hwnd != nullptr ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (page != nullptr && static_cast<ATOM>(::GetClassLongPtrW(page, GCW_ATOM)) == m_pageClass &&
        ::IsDialogMessageW(page, &message)) {
        return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

void Win32Toolkit::DoEvents() {
    MSG message{};
    while (!m_handlerFailure && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Posted by someone else: the loop ends as with Quit.
            m_exitCode = static_cast<int>(message.wParam);
            m_quitRequested = true;
            break;
        }
        Dispatch(message);
    }
    RaiseHandlerFailure();
}

void Win32Toolkit::HandlerFailed(std::exception_ptr failure) {
    if (!m_handlerFailure) {
        m_handlerFailure = std::move(failure);
    }
}

void Win32Toolkit::RaiseHandlerFailure() {
    if (m_handlerFailure) {
        std::rethrow_exception(std::exchange(m_handlerFailure, nullptr));
    }
}

int Win32Toolkit::Run() {
    MSG message{};
    while (!m_quitRequested) {
        RaiseHandlerFailure();
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            throw std::runtime_error("the event loop cannot read its messages");
        }
        if (got == 0) {
            m_exitCode = static_cast<int>(message.wParam);
            break;
        }
        Dispatch(message);
    }
    RaiseHandlerFailure();
    return m_exitCode;
}

void Win32Toolkit::Quit() {
    m_quitRequested = true;
    // Wakes a loop waiting in GetMessage; one that is not running sees the flag on its start.
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
}

void Win32Toolkit::OnSessionEnd(std::function<void()> action) {
    m_onSessionEnd = std::move(action);
}

bool Win32Toolkit::SessionEnding() {
    if (!m_sessionEnded && m_onSessionEnd) {
        m_sessionEnded = true;
        try {
            m_onSessionEnd();
        } catch (...) {
            HandlerFailed(std::current_exception());
        }
    }
    if (m_quitRequested || !m_onSessionEnd) {
        return true;
    }
    // A run is stopping: Windows waits for the program, and tells the user why.
    for (const auto& [name, window] : m_pages) {
        ::ShutdownBlockReasonCreate(window, kStoppingReason);
    }
    return false;
}

HWND Win32Toolkit::PageHandle(std::string_view page) const {
    auto it = m_pages.find(page);
    return it == m_pages.end() ? nullptr : it->second;
}

void Win32Toolkit::Register(const std::string& page, HWND window) {
    m_pages[page] = window;
}

void Win32Toolkit::Unregister(const std::string& page, HWND window) {
    auto it = m_pages.find(page);
    if (it != m_pages.end() && it->second == window) {
        m_pages.erase(it);
    }
}

int Win32Toolkit::Scaled(int layoutPixels) const {
    return ::MulDiv(layoutPixels, m_dpi, kLayoutDpi);
}

HFONT Win32Toolkit::FontOf(const FontSpec& font) {
    const std::string key = font.face + "/" + std::to_string(font.points) + (font.bold ? "/bold" : "");
    if (auto it = m_fonts.find(key); it != m_fonts.end()) {
        return it->second;
    }
    LOGFONTW description = m_metrics.lfMessageFont;
    if (font.face != kClassicDialogFace) {
        const std::wstring face = Utf8ToWide(font.face);
        description.lfFaceName[face.copy(description.lfFaceName, LF_FACESIZE - 1)] = L'\0';
    }
    if (font.points > kClassicDialogPoints) {
        description.lfHeight = -::MulDiv(static_cast<int>(font.points * 100), m_dpi, 72 * 100);
    }
    if (font.bold) {
        description.lfWeight = FW_BOLD;
    }
    HFONT created = ::CreateFontIndirectW(&description);
    if (created == nullptr) {
        throw std::runtime_error("cannot create the font " + key);
    }
    m_fonts.emplace(key, created);
    return created;
}

}  // namespace synvora
