// SPDX-License-Identifier: MIT
#pragma once

#include "rules/message_layout.h"
#include "shell/win32/accessibility.h"
#include "shell/win32/gdi_owners.h"
#include "shell/win32/window_base.h"

#include <windows.h>

#include <string>

namespace mrfyc {

// The modal window in which a notice is shown: the text in the label "Message" and one button "OK",
// sized from the system's message font. Results: 1 by the OK button (mouse, Enter, Space, Esc), 2
// when closed through the title bar; 0 while it is open.
class TMessageForm : public WindowBase<TMessageForm>
{
public:
    static constexpr int ResultOk = 1;
    static constexpr int ResultClosed = 2;
    static constexpr wchar_t ClassName[] = L"TMessageForm";

    // Creates the window hidden, laid out for the text.
    TMessageForm(const std::wstring &text, const std::wstring &caption, HWND owner);
    ~TMessageForm();
    HWND Message() const { return m_message; }
    HWND OkButton() const { return m_okButton; }
    const MessageLayout &Layout() const { return m_layout; }
    int Result() const { return m_result; }

    // What Ctrl+C puts on the clipboard: caption, text and button captions between dividers.
    std::wstring ContentText() const;

    // Centres the window on the monitor of activeWindow, or on the primary monitor.
    void PlaceOnScreen(HWND activeWindow);

    // The base values and text extent of text in the font selected into dc, as the layout takes
    // them; the caption width is left to the caller.
    static MessageMetrics Measure(HDC dc, const std::wstring &text);

private:
    friend class WindowBase<TMessageForm>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool PreviewKey(const MSG &message);
    void CopyToClipboard();
    void CreateFont();
    void LayOut(const std::wstring &text);

    // The font dies after the window that uses it.
    OwnedFont m_ownFont;
    HFONT m_font = nullptr; // m_ownFont's, or the stock font when the message font is not had
    HWND m_message = nullptr;
    HWND m_okButton = nullptr;
    MessageLayout m_layout;
    int m_pixelsPerInch = 96;
    int m_result = 0;
    // A dialog to screen readers, so that they read its text when it appears.
    Accessibility m_accessibility{{.Role = ROLE_SYSTEM_DIALOG}};
    OwnedWindow m_window;
};

} // namespace mrfyc
