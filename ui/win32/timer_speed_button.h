// SPDX-License-Identifier: MIT
#pragma once

#include "rules/arrow_repeat.h"
#include "rules/geometry.h"
#include "ui/win32/arrow_glyph.h"

#include <windows.h>

#include <functional>
#include <utility>

namespace mrfyc {

// One arrow of a spin pair: a window-less push button that its owner window paints and feeds
// with mouse messages. It clicks on a left-button release over it and, when allowed to repeat,
// while it is held: first after RepeatDelay, then every RepeatInterval, on a message timer of
// the owner window.
class TTimerSpeedButton : private ArrowRepeatHost
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

    bool AllowRepeat() const { return m_repeat.AllowRepeat(); }
    void SetAllowRepeat(bool allow) { m_repeat.SetAllowRepeat(allow); }
    // Tests may lower these; they apply from the next press.
    int RepeatDelay() const { return m_repeat.RepeatDelay(); }
    void SetRepeatDelay(int milliseconds) { m_repeat.SetRepeatDelay(milliseconds); }
    int RepeatInterval() const { return m_repeat.RepeatInterval(); }
    void SetRepeatInterval(int milliseconds) { m_repeat.SetRepeatInterval(milliseconds); }

    bool IsDown() const { return m_repeat.IsDown(); }
    bool IsHeld() const { return m_repeat.IsHeld(); }
    int RepeatTimerInterval() const { return m_repeat.TimerInterval(); }

    // For tests: see ArrowRepeat::SetTimerAnswerer.
    void SetTimerAnswerer(ArrowRepeat::TimerAnswerer answerer)
    {
        m_repeat.SetTimerAnswerer(std::move(answerer));
    }

    // The owner's mouse messages; a press raises the error of a repeat timer that cannot be had.
    void MouseDown(bool leftButton) { m_repeat.Press(leftButton); }
    void MouseMove(POINT ownerPoint) { m_repeat.Move(IsOver(ownerPoint)); }
    void MouseUp(bool leftButton, POINT ownerPoint)
    {
        m_repeat.Release(leftButton, IsOver(ownerPoint));
    }
    // The repeat timer fired; steps only while the owner holds the capture.
    void TimerTick() { m_repeat.Tick(false, GetCapture() == m_owner); }
    void CancelPress() { m_repeat.Cancel(); }
    // One click, as a screen reader's press gives: raises OnClick.
    void Click();

    void Paint(HDC dc) const;
    // The arrow's triangle is drawn this many rows high (kArrowRows at 96 pixels per inch).
    void SetArrowRows(int rows) { m_arrowRows = rows; }

    std::function<void()> OnClick;

private:
    void StartTimer(int interval) override;
    void StopTimer() override { KillTimer(m_owner, m_timerId); }
    void Redraw() override { Invalidate(); }
    void Step() override;
    void Invalidate() const;

    HWND m_owner;
    UINT_PTR m_timerId;
    ArrowDirection m_glyph;
    int m_arrowRows = kArrowRows;
    Rect m_bounds;
    ArrowRepeat m_repeat{*this};
};

} // namespace mrfyc
