// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"
#include "ui/win32/arrow_glyph.h"

#include <windows.h>

#include <functional>

namespace mrfyc {

// One arrow of a spin pair: a window-less push button that its owner window paints and feeds
// with mouse messages. It clicks on a left-button release over it and, when allowed to repeat,
// while it is held: first after RepeatDelay, then every RepeatInterval, on a message timer of
// the owner window.
class TTimerSpeedButton
{
public:
    TTimerSpeedButton(HWND owner, UINT_PTR timerId, ArrowDirection glyph);
    ~TTimerSpeedButton();
    TTimerSpeedButton(const TTimerSpeedButton &) = delete;
    TTimerSpeedButton &operator=(const TTimerSpeedButton &) = delete;

    // In the owner's client coordinates.
    const Rect &Bounds() const { return m_bounds; }
    void SetBounds(const Rect &bounds);
    // Over the button in its own coordinates: 0 <= x < width and 0 <= y <= height.
    bool IsOver(POINT ownerPoint) const;

    bool AllowRepeat() const { return m_allowRepeat; }
    void SetAllowRepeat(bool allow) { m_allowRepeat = allow; }
    // Tests may lower these; they apply from the next press.
    int RepeatDelay() const { return m_repeatDelay; }
    void SetRepeatDelay(int milliseconds) { m_repeatDelay = milliseconds; }
    int RepeatInterval() const { return m_repeatInterval; }
    void SetRepeatInterval(int milliseconds) { m_repeatInterval = milliseconds; }

    // Drawn pressed: the left button is held and the pointer is over the button.
    bool IsDown() const { return m_down; }
    // The left button went down here and has not been released or cancelled since.
    bool IsHeld() const { return m_held; }
    // The repeat timer's current interval, 0 while it is off.
    int RepeatTimerInterval() const { return m_timerInterval; }

    // Asked before each start of the repeat timer; false refuses it as a system out of timers
    // would. For tests; none is set in the program.
    using TimerAnswerer = std::function<bool(int interval)>;
    void SetTimerAnswerer(TimerAnswerer answerer) { m_timerAnswerer = std::move(answerer); }

    // Any mouse button pressed on the button. Raises the error of a repeat timer that cannot be
    // had; the press itself stands.
    void MouseDown(bool leftButton);
    void MouseMove(POINT ownerPoint);
    void MouseUp(bool leftButton, POINT ownerPoint);
    // The repeat timer fired. A failing click switches the timer off and is passed on.
    void TimerTick();
    // Drops a press as if the mouse capture had been taken away: drawn raised, timer off, no click.
    void CancelPress();

    void Paint(HDC dc) const;
    // The arrow's triangle is drawn this many rows high (kArrowRows at 96 pixels per inch).
    void SetArrowRows(int rows) { m_arrowRows = rows; }

    std::function<void()> OnClick;

private:
    void SetDown(bool down);
    void StartRepeat(int interval);
    void StopRepeat();
    void Invalidate() const;

    HWND m_owner;
    UINT_PTR m_timerId;
    ArrowDirection m_glyph;
    int m_arrowRows = kArrowRows;
    Rect m_bounds;
    bool m_allowRepeat = false;
    bool m_down = false;
    bool m_held = false;
    int m_repeatDelay = 400;
    int m_repeatInterval = 100;
    int m_timerInterval = 0;
    TimerAnswerer m_timerAnswerer;
};

} // namespace mrfyc
