// SPDX-License-Identifier: MIT
#include "rules/arrow_repeat.h"

#include "rules/errors.h"

#include <string>

namespace mrfyc {

void ArrowRepeat::Press(bool leftButton)
{
    if (leftButton) {
        m_held = true;
        SetDown(true);
    }
    if (m_allowRepeat)
        StartRepeat(m_repeatDelay);
}

void ArrowRepeat::Move(bool over)
{
    if (m_held)
        SetDown(over);
}

void ArrowRepeat::Release(bool leftButton, bool over)
{
    StopRepeat();
    if (!leftButton || !m_held)
        return;
    m_held = false;
    SetDown(false);
    if (over)
        m_host.Step();
}

void ArrowRepeat::Tick(bool pressOver, bool mayStep)
{
    if (m_timerInterval == 0)
        return; // a tick that was queued before the timer went off
    if (!m_held && pressOver) {
        // The press of another button ended elsewhere (a menu opened on it took the release),
        // so no release will come here to switch the timer off.
        StopRepeat();
        return;
    }
    if (m_timerInterval != m_repeatInterval)
        StartRepeat(m_repeatInterval);
    if (!m_down || !m_held || !mayStep)
        return;
    const std::weak_ptr<char> alive = m_alive;
    try {
        m_host.Step();
    } catch (...) {
        // The report of the failure must not be followed by more ticks.
        if (!alive.expired())
            StopRepeat();
        throw;
    }
}

void ArrowRepeat::Cancel()
{
    StopRepeat();
    m_held = false;
    SetDown(false);
}

void ArrowRepeat::SetDown(bool down)
{
    if (m_down == down)
        return;
    m_down = down;
    m_host.Redraw();
}

void ArrowRepeat::StartRepeat(int interval)
{
    StopRepeat();
    if (m_timerAnswerer && !m_timerAnswerer(interval))
        throw Exception(std::string(kTimerErrorText));
    m_host.StartTimer(interval);
    m_timerInterval = interval;
}

void ArrowRepeat::StopRepeat()
{
    if (m_timerInterval == 0)
        return;
    m_host.StopTimer();
    m_timerInterval = 0;
}

bool IsOverArrow(Size arrow, int x, int y)
{
    return x >= 0 && x < arrow.Width && y >= 0 && y <= arrow.Height;
}

namespace {

// The glyph's offset within space pixels; a spare odd pixel goes to the leading margin.
int LeadingMargin(int space)
{
    return space >= 0 ? (space + 1) / 2 : -(-space / 2);
}

} // namespace

Point ArrowGlyphPosition(Size arrow, Size glyph, bool down)
{
    const int shift = down ? 1 : 0;
    return {LeadingMargin(arrow.Width - glyph.Width) + shift,
            LeadingMargin(arrow.Height - glyph.Height) + shift};
}

} // namespace mrfyc
