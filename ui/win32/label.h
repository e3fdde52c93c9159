// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"
#include "shell/win32/accessibility.h"
#include "shell/win32/window_base.h"

#include <windows.h>

#include <string>

namespace mrfyc {

// A static text drawn with DrawTextW, left- and top-aligned and opaque in the window colour. Its
// text lives in the window (WM_SETTEXT/WM_GETTEXT), so other programs and tests can read it, and
// screen readers hear it as static text.
class TLabel : public WindowBase<TLabel>
{
public:
    struct Style
    {
        bool AutoSize = true;      // takes the size of its text, keeping its left and top edges
        bool WordWrap = false;     // DT_WORDBREAK
        bool ShowAccelChar = true; // "&" marks the next character; off shows it literally
    };

    // A font given here (not owned) is the label's from the start: it is sized once.
    TLabel(HWND parent, const Rect &bounds, const std::wstring &text, Style style,
           HFONT font = nullptr);
    void SetText(const std::wstring &text);
    std::wstring Text() const;
    HFONT Font() const { return m_font; }
    // The flags the text is drawn with.
    UINT DrawFlags() const;
    void SetFont(HFONT font);
    void SetBounds(const Rect &bounds);

private:
    friend class WindowBase<TLabel>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    void FitToText();
    // The size of text in the label's font, as an AutoSize label takes it.
    SIZE TextExtent(std::wstring text) const;
    // The text as it reads, without the "&" marks.
    std::wstring ShownText() const;

    HFONT m_font = nullptr;
    Style m_style;
    Accessibility m_accessibility{
        {.Role = ROLE_SYSTEM_STATICTEXT, .Name = [this] { return ShownText(); }}};
};

} // namespace mrfyc
