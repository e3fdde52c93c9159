// SPDX-License-Identifier: MIT
#include "ui/win32/timer_speed_button.h"

#include "rules/errors.h"

#include <string>
#include <utility>

namespace mrfyc {

TTimerSpeedButton::TTimerSpeedButton(HWND owner, UINT_PTR timerId, ArrowDirection glyph)
    : m_owner(owner), m_timerId(timerId), m_glyph(glyph)
{}

TTimerSpeedButton::~TTimerSpeedButton()
{
    if (m_repeat.TimerInterval() != 0)
        StopTimer();
}

void TTimerSpeedButton::SetBounds(const Rect &bounds)
{
    // A hidden pair is drawn whole when it is shown: placing it as it is made redraws nothing.
    const bool shown = IsWindowVisible(m_owner) != FALSE;
    if (shown)
        Invalidate();
    m_bounds = bounds;
    if (shown)
        Invalidate();
}

bool TTimerSpeedButton::IsOver(POINT ownerPoint) const
{
    return IsOverArrow({m_bounds.Width, m_bounds.Height}, ownerPoint.x - m_bounds.Left,
                       ownerPoint.y - m_bounds.Top);
}

void TTimerSpeedButton::StartTimer(int interval)
{
    if (SetTimer(m_owner, m_timerId, static_cast<UINT>(interval), nullptr) == 0)
        throw Exception(std::string(kTimerErrorText), static_cast<int>(GetLastError()));
}

void TTimerSpeedButton::Click()
{
    if (OnClick)
        OnClick();
}

void TTimerSpeedButton::Step()
{
    Click();
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
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (IsDown() ? DFCS_PUSHED : 0));
    const Point at = ArrowGlyphPosition({m_bounds.Width, m_bounds.Height},
                                        ArrowGlyphSize(m_arrowRows), IsDown());
    const bool enabled = IsWindowEnabled(m_owner) != FALSE;
    DrawArrowGlyph(dc, m_bounds.Left + at.X, m_bounds.Top + at.Y, m_glyph,
                   GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT), m_arrowRows);
}

} // namespace mrfyc
