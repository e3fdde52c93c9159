// SPDX-License-Identifier: MIT
#include "ui/win32/label.h"

#include "shell/win32/guarded_answer.h"

#include <stdexcept>

namespace mrfyc {

namespace {

constexpr wchar_t kClassName[] = L"mrfycLabel";

void RegisterLabelClass(HINSTANCE instance)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, kClassName, &existing))
        return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass))
        throw std::runtime_error("RegisterClassExW failed for the label");
}

} // namespace

TLabel::TLabel(HWND parent, const Rect &bounds, const std::wstring &text, Style style)
    : m_style(style)
{
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    RegisterLabelClass(instance);
    m_handle =
        CreateWindowExW(0, kClassName, text.c_str(), WS_CHILD | WS_VISIBLE, bounds.Left, bounds.Top,
                        bounds.Width, bounds.Height, parent, nullptr, instance, nullptr);
    if (!m_handle)
        throw std::runtime_error("CreateWindowExW failed for a label");
    SetWindowLongPtrW(m_handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TLabel::WindowProc));
    FitToText();
}

void TLabel::SetText(const std::wstring &text)
{
    SetWindowTextW(m_handle, text.c_str());
}

std::wstring TLabel::Text() const
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(m_handle)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(m_handle, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TLabel::SetFont(HFONT font)
{
    SendMessageW(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TLabel::SetBounds(const Rect &bounds)
{
    MoveWindow(m_handle, bounds.Left, bounds.Top, bounds.Width, bounds.Height, TRUE);
    FitToText();
}

LRESULT CALLBACK TLabel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return AnswerThroughObject(&TLabel::HandleMessage, window, message, wParam, lParam);
}

LRESULT TLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(m_handle, &paint);
        Paint(dc);
        EndPaint(m_handle, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills the whole label
    case WM_SETFONT:
        m_font = reinterpret_cast<HFONT>(wParam);
        FitToText();
        if (LOWORD(lParam))
            InvalidateRect(m_handle, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font);
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(m_handle, message, wParam, lParam);
        FitToText();
        InvalidateRect(m_handle, nullptr, TRUE);
        return result;
    }
    case WM_NCHITTEST:
        // Clicks and drops go to the window beneath, as on a label without a window of its own.
        return HTTRANSPARENT;
    case WM_NCDESTROY: {
        HWND window = m_handle;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        m_handle = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
        return DefWindowProcW(m_handle, message, wParam, lParam);
    }
}

UINT TLabel::DrawFlags() const
{
    UINT flags = DT_LEFT | DT_TOP | DT_EXPANDTABS;
    if (m_style.WordWrap)
        flags |= DT_WORDBREAK;
    if (!m_style.ShowAccelChar)
        flags |= DT_NOPREFIX;
    return flags;
}

void TLabel::Paint(HDC dc)
{
    RECT client;
    GetClientRect(m_handle, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const std::wstring text = Text();
    HGDIOBJ oldFont = m_font ? SelectObject(dc, m_font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    // DrawTextW clips nothing by itself: the label's window is the clip.
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, DrawFlags());
    if (oldFont)
        SelectObject(dc, oldFont);
}

void TLabel::FitToText()
{
    if (!m_style.AutoSize || !m_handle)
        return;
    std::wstring text = Text();
    if (text.empty())
        text = L" ";
    HDC dc = GetDC(m_handle);
    HGDIOBJ oldFont = m_font ? SelectObject(dc, m_font) : nullptr;
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
              DT_CALCRECT | DT_EXPANDTABS | (m_style.ShowAccelChar ? 0 : DT_NOPREFIX));
    if (oldFont)
        SelectObject(dc, oldFont);
    ReleaseDC(m_handle, dc);
    SetWindowPos(m_handle, nullptr, 0, 0, measured.right - measured.left,
                 measured.bottom - measured.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace mrfyc
