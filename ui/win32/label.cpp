// SPDX-License-Identifier: MIT
#include "ui/win32/label.h"

#include "shell/win32/gdi_owners.h"

#include <stdexcept>

namespace mrfyc {

namespace {

constexpr wchar_t kClassName[] = L"mrfycLabel";

} // namespace

TLabel::TLabel(HWND parent, const Rect &bounds, const std::wstring &text, Style style, HFONT font)
    : m_font(font), m_style(style)
{
    Register({.Name = kClassName});
    // Created at its text's size: under Wine every move is a round trip to the server.
    SIZE size{bounds.Width, bounds.Height};
    if (m_style.AutoSize)
        size = TextExtent(text);
    if (!Create(0, kClassName, text.c_str(), WS_CHILD | WS_VISIBLE, bounds.Left, bounds.Top,
                size.cx, size.cy, parent))
        throw std::runtime_error("CreateWindowExW failed for a label");
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

LRESULT TLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint(PaintDC(m_handle));
        return 0;
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
    case WM_GETOBJECT:
        if (const auto answer = m_accessibility.Answer(m_handle, wParam, lParam))
            return *answer;
        return DefWindowProcW(m_handle, message, wParam, lParam);
    case WM_NCHITTEST:
        // Clicks and drops go to the window beneath, as on a label without a window of its own.
        return HTTRANSPARENT;
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

std::wstring TLabel::ShownText() const
{
    const std::wstring text = Text();
    if (!m_style.ShowAccelChar)
        return text;
    std::wstring shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // "&&" shows one "&"; a single "&" only marks the character after it.
        if (text[i] == L'&' && ++i == text.size())
            break;
        shown += text[i];
    }
    return shown;
}

void TLabel::Paint(HDC dc)
{
    RECT client;
    GetClientRect(m_handle, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const std::wstring text = Text();
    const SelectedObject font(dc, m_font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    // DrawTextW clips nothing by itself: the label's window is the clip.
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, DrawFlags());
}

void TLabel::FitToText()
{
    if (!m_style.AutoSize || !m_handle)
        return;
    const SIZE size = TextExtent(Text());
    SetWindowPos(m_handle, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE TLabel::TextExtent(std::wstring text) const
{
    if (text.empty())
        text = L" ";
    RECT measured{0, 0, 0, 0};
    // Any screen DC measures as the label's own would.
    const WindowDC dc(nullptr);
    const SelectedObject font(dc, m_font);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
              DT_CALCRECT | DT_EXPANDTABS | (m_style.ShowAccelChar ? 0 : DT_NOPREFIX));
    return {measured.right - measured.left, measured.bottom - measured.top};
}

} // namespace mrfyc
