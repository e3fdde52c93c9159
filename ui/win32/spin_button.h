// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"
#include "shell/win32/accessibility.h"
#include "shell/win32/gdi_owners.h"
#include "shell/win32/window_base.h"
#include "ui/win32/timer_speed_button.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace mrfyc {

// The arrow pair of a spin field: a child window holding the up arrow over the down arrow, both
// auto-repeating, never narrower than kSpinPairWidth. A left press on an arrow first gives the
// focus to FocusControl, then captures the mouse until the release. Screen readers find it as a
// spin button named after its field, with the arrows as two push buttons inside it.
class TSpinButton : public WindowBase<TSpinButton>
{
public:
    TSpinButton(HWND parent, const Rect &bounds);
    // The window goes first, while the arrows its last messages reach still exist.
    ~TSpinButton() { m_window.Reset(); }
    // In the parent's client coordinates.
    void SetBounds(const Rect &bounds);
    Rect Bounds() const;
    // Widens the pair and its arrows in proportion to the screen; the field places it again.
    void SetPixelsPerInch(int pixelsPerInch);

    TTimerSpeedButton &UpButton() { return m_up; }
    TTimerSpeedButton &DownButton() { return m_down; }

    // Given the focus when an arrow is pressed with the left button, unless it holds it already.
    HWND FocusControl() const { return m_focusControl; }
    void SetFocusControl(HWND control) { m_focusControl = control; }

    // What a screen reader calls the pair: its field's caption.
    void SetAccessibleName(std::wstring name) { m_accessibleName = std::move(name); }

    std::function<void()> OnUpClick;
    std::function<void()> OnDownClick;

private:
    friend class WindowBase<TSpinButton>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreatePairWindow(HWND parent, const Rect &bounds);
    void PlaceArrows();
    void Press(POINT point, bool leftButton);
    void Release(POINT point, bool leftButton);
    void GiveFocusToControl() const;
    void CancelPresses();
    void Paint();
    TTimerSpeedButton *ArrowAt(POINT point);
    AccessibleAnswers ScreenReaderAnswers();
    AccessibleElement ArrowElement(TTimerSpeedButton &arrow, std::string_view name);

    OwnedWindow m_window;
    TTimerSpeedButton m_up;
    TTimerSpeedButton m_down;
    // The arrow that the last press landed on, until its release.
    TTimerSpeedButton *m_pressed = nullptr;
    HWND m_focusControl = nullptr;
    std::wstring m_accessibleName;
    Accessibility m_accessibility{ScreenReaderAnswers()};
};

} // namespace mrfyc
