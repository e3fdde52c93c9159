// SPDX-License-Identifier: MIT
#include "ui/win32/timer_speed_button.h"

#include "rules/errors.h"

#include <string>
#include <utility>

namespace mrfyc {

namespace {

// The glyph's offset within space pixels; a spare odd pixel goes to the leading margin.
int LeadingMargin(int space)
{
    return space >= 0 ? (space + 1) / 2 : -(-space / 2);
}

} // namespace

TTimerSpeedButton::TTimerSpeedButton(HWND owner, UINT_PTR timerId, ArrowDirection glyph)
    : m_owner(owner), m_timerId(timerId), m_glyph(glyph)
{}

TTimerSpeedButton::~TTimerSpeedButton()
{
    StopRepeat();
}

void TTimerSpeedButton::SetBounds(const Rect &bounds)
{
    Invalidate();
    m_bounds = bounds;
    Invalidate();
}

bool TTimerSpeedButton::IsOver(POINT ownerPoint) const
{
    const int x = ownerPoint.x - m_bounds.Left;
    const int y = ownerPoint.y - m_bounds.Top;
    return x >= 0 && x < m_bounds.Width && y >= 0 && y <= m_bounds.Height;
}

void TTimerSpeedButton::MouseDown(bool leftButton)
{
    if (leftButton) {
        m_held = true;
        SetDown(true);
    }
    if (m_allowRepeat)
        StartRepeat(m_repeatDelay);
}

void TTimerSpeedButton::MouseMove(POINT ownerPoint)
{
    if (m_held)
        SetDown(IsOver(ownerPoint));
}

void TTimerSpeedButton::MouseUp(bool leftButton, POINT ownerPoint)
{
    StopRepeat();
    if (!leftButton || !m_held)
        return;
    const bool over = IsOver(ownerPoint);
    m_held = false;
    SetDown(false);
    if (over && OnClick)
        OnClick();
}

void TTimerSpeedButton::TimerTick()
{
    if (m_timerInterval == 0)
        return; // a tick that was queued before the timer went off
    if (m_timerInterval != m_repeatInterval)
        StartRepeat(m_repeatInterval);
    if (!m_down || !m_held || GetCapture() != m_owner || !OnClick)
        return;
    try {
        OnClick();
    } catch (...) {
        StopRepeat();
        throw;
    }
}

void TTimerSpeedButton::CancelPress()
{
    StopRepeat();
    m_held = false;
    SetDown(false);
}

void TTimerSpeedButton::StartRepeat(int interval)
{
    StopRepeat();
    if (m_timerAnswerer && !m_timerAnswerer(interval))
        throw Exception(std::string(kTimerErrorText));
    if (SetTimer(m_owner, m_timerId, static_cast<UINT>(interval), nullptr) == 0)
        throw Exception(std::string(kTimerErrorText), static_cast<int>(GetLastError()));
    m_timerInterval = interval;
}

void TTimerSpeedButton::StopRepeat()
{
    if (m_timerInterval == 0)
        return;
    KillTimer(m_owner, m_timerId);
    m_timerInterval = 0;
}

void TTimerSpeedButton::SetDown(bool down)
{
    if (m_down == down)
        return;
    m_down = down;
    Invalidate();
}

void TTimerSpeedButton::Invalidate() const
{
    const RECT area{m_bounds.Left, m_bounds.Top, m_bounds.Left + m_bounds.Width,
                    m_bounds.Top + m_bounds.Height};
    InvalidateRect(m_owner, &area, FALSE);
}

void TTimerSpeedButton::Paint(HDC dc) const
{
    RECT face{m_bounds.Left, m_bounds.Top, m_bounds.Left + m_bounds.Width,
              m_bounds.Top + m_bounds.Height};
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (m_down ? DFCS_PUSHED : 0));
    const Size glyph = ArrowGlyphSize(m_arrowRows);
    int left = m_bounds.Left + LeadingMargin(m_bounds.Width - glyph.Width);
    int top = m_bounds.Top + LeadingMargin(m_bounds.Height - glyph.Height);
    if (m_down) {
        ++left;
        ++top;
    }
    const bool enabled = IsWindowEnabled(m_owner) != FALSE;
    DrawArrowGlyph(dc, left, top, m_glyph, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT),
                   m_arrowRows);
}

} // namespace mrfyc
