// SPDX-License-Identifier: MIT
#include "shell/win32/message_form.h"

#include "files/win32/wide_text.h"
#include "rules/errors.h"
#include "rules/message_content.h"
#include "shell/beep.h"
#include "shell/win32/error_report.h"
#include "shell/win32/gdi_owners.h"
#include "shell/win32/message_loop.h"
#include "shell/win32/pixel_density.h"
#include "shell/win32/test_seams.h"
#include "shell/win32/window_text.h"

#include <climits>
#include <cstring>
#include <optional>

namespace mrfyc {

namespace {

constexpr int kMessageId = 100;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Measured when the first dialog of the run is built and kept, also across font changes.
std::optional<int> &CachedCaptionWidth()
{
    static std::optional<int> width;
    return width;
}

int CaptionWidth(HDC dc)
{
    auto &cached = CachedCaptionWidth();
    if (!cached) {
        const std::wstring caption = win32::ToWideShown(kOkCaption);
        SIZE extent{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        cached = extent.cx + kCaptionPadding;
    }
    return *cached;
}

// Closes the clipboard on every path once it was opened.
class OpenedClipboard
{
public:
    OpenedClipboard() : m_open(OpenClipboard(nullptr) != FALSE) {}
    ~OpenedClipboard()
    {
        if (m_open)
            CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard &) = delete;
    OpenedClipboard &operator=(const OpenedClipboard &) = delete;
    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

// A movable block holding the bytes, for the clipboard to take over; nullptr when there is no
// memory.
HGLOBAL CopyToGlobal(const void *bytes, std::size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return nullptr;
    void *target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(block);
    return block;
}

void PutOnClipboard(UINT format, const void *bytes, std::size_t size)
{
    HGLOBAL block = CopyToGlobal(bytes, size);
    if (block && !SetClipboardData(format, block))
        GlobalFree(block);
}

// The text in code page 932 with its NUL, as the plain-text format carries it; empty when the
// system has no such code page.
std::string ToCp932(const std::wstring &text)
{
    const int size = static_cast<int>(text.size() + 1);
    const int length =
        WideCharToMultiByte(932, 0, text.c_str(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(932, 0, text.c_str(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

bool WriteToClipboard(const std::wstring &text)
{
    if (ClipboardSeam())
        return ClipboardSeam()(text);
    const std::string cp932 = ToCp932(text);
    const OpenedClipboard clipboard;
    if (!clipboard.IsOpen())
        return false;
    EmptyClipboard();
    PutOnClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    if (!cp932.empty())
        PutOnClipboard(CF_TEXT, cp932.data(), cp932.size());
    return true;
}

bool KeyDown(int key)
{
    return (GetKeyState(key) & 0x8000) != 0;
}

RECT PrimaryMonitor()
{
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace

TestSeam<bool(const std::wstring &text)> &ClipboardSeam()
{
    static TestSeam<bool(const std::wstring &text)> seam;
    return seam;
}

void ForgetMeasuredCaptionWidth()
{
    CachedCaptionWidth().reset();
}

TMessageForm::TMessageForm(const std::wstring &text, const std::wstring &caption, HWND owner)
{
    Register({.Name = ClassName, .Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_window.Reset(Create(kExStyle, ClassName, caption.c_str(), kStyle, 0, 0, 0, 0, owner));
    if (!m_handle)
        throw EOutOfMemory(std::string(kOutOfMemoryText));
    m_message = CreateWindowExW(
        0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
        m_handle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageId)), instance, nullptr);
    m_okButton =
        CreateWindowExW(0, L"BUTTON", win32::ToWideShown(kOkCaption).c_str(),
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, m_handle,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
    CreateFont();
    LayOut(text);
}

TMessageForm::~TMessageForm() = default;

void TMessageForm::CreateFont()
{
    // At the scale of the screen it is centred on, the active window's.
    m_pixelsPerInch = WindowPixelsPerInch(GetActiveWindow());
    LOGFONTW messageFont{};
    if (MessageFontAt(m_pixelsPerInch, messageFont))
        m_ownFont.Reset(CreateFontIndirectW(&messageFont));
    m_font =
        m_ownFont.Get() ? m_ownFont.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (HWND window : {m_message, m_okButton})
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
}

MessageMetrics TMessageForm::Measure(HDC dc, const std::wstring &text)
{
    MessageMetrics metrics;
    const std::wstring baseString = win32::ToWideShown(kBaseString);
    SIZE base{};
    GetTextExtentPoint32W(dc, baseString.c_str(), static_cast<int>(baseString.size()), &base);
    metrics.ax = BaseWidth(base.cx);
    metrics.ay = base.cy;
    RECT bounds{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    const int length = text.size() > INT_MAX ? INT_MAX : static_cast<int>(text.size());
    DrawTextW(dc, text.c_str(), length, &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT);
    metrics.text = {bounds.right - bounds.left, bounds.bottom - bounds.top};
    return metrics;
}

void TMessageForm::LayOut(const std::wstring &text)
{
    MessageMetrics metrics;
    {
        const WindowDC dc(m_handle);
        const SelectedObject font(dc, m_font);
        metrics = Measure(dc, text);
        metrics.captionWidth = CaptionWidth(dc);
    }

    m_layout = LayOutMessage(metrics);
    RECT outer{0, 0, m_layout.client.Width, m_layout.client.Height};
    OuterRectAt(outer, kStyle, kExStyle, m_pixelsPerInch);
    SetWindowPos(m_handle, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const Rect &label = m_layout.label;
    MoveWindow(m_message, label.Left, label.Top, label.Width, label.Height, FALSE);
    const Rect &button = m_layout.button;
    MoveWindow(m_okButton, button.Left, button.Top, button.Width, button.Height, FALSE);
}

std::wstring TMessageForm::ContentText() const
{
    const std::string caption = win32::ToUtf8(WindowText(m_handle));
    const std::string text = win32::ToUtf8(WindowText(m_message));
    const std::string button = win32::ToUtf8(WindowText(m_okButton));
    return win32::ToWideShown(MessageContentText(caption, text, {button}));
}

void TMessageForm::PlaceOnScreen(HWND activeWindow)
{
    RECT monitor = PrimaryMonitor();
    if (activeWindow) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(MonitorFromWindow(activeWindow, MONITOR_DEFAULTTOPRIMARY), &info))
            monitor = info.rcMonitor;
    }
    RECT outer{};
    GetWindowRect(m_handle, &outer);
    const Point corner = CentredOn(
        {monitor.left, monitor.top, monitor.right - monitor.left, monitor.bottom - monitor.top},
        {outer.right - outer.left, outer.bottom - outer.top});
    SetWindowPos(m_handle, nullptr, corner.X, corner.Y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TMessageForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == KeyPreviewMessage())
        return PreviewKey(*reinterpret_cast<const MSG *>(lParam)) ? 1 : 0;
    switch (message) {
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font);
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_COMMAND:
        // Esc comes as IDCANCEL: the OK button is also the cancel button.
        if (HIWORD(wParam) == BN_CLICKED && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
            m_result = ResultOk;
        return 0;
    case WM_CLOSE:
        m_result = ResultClosed;
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && m_okButton)
            SetFocus(m_okButton);
        return 0;
    case WM_GETOBJECT:
        if (const auto answer = m_accessibility.Answer(m_handle, wParam, lParam))
            return *answer;
        return DefWindowProcW(m_handle, message, wParam, lParam);
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        FollowColourScheme(m_handle, message, wParam, lParam);
        return DefWindowProcW(m_handle, message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    default:
        return DefWindowProcW(m_handle, message, wParam, lParam);
    }
}

bool TMessageForm::PreviewKey(const MSG &message)
{
    if (message.message != WM_KEYDOWN || message.wParam != 'C')
        return false;
    if (!KeyDown(VK_CONTROL) || KeyDown(VK_SHIFT) || KeyDown(VK_MENU))
        return false;
    Beep(BeepKind::Default);
    // Reported here, so that the key is taken either way and the dialog stays open.
    RunCommand([this] { CopyToClipboard(); });
    return true;
}

void TMessageForm::CopyToClipboard()
{
    if (!WriteToClipboard(ContentText()))
        throw Exception(std::string(kClipboardErrorText));
}

} // namespace mrfyc
