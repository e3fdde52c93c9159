// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"

#include <functional>
#include <memory>

namespace mrfyc {

// What an arrow asks of its toolkit: a timer, a redraw, a step.
class ArrowRepeatHost
{
public:
    // (Re)starts the repeat timer at interval milliseconds; raises the timer error when the
    // system has none to give.
    virtual void StartTimer(int interval) = 0;
    virtual void StopTimer() = 0;
    // The arrow is to be drawn pressed or raised anew (IsDown changed).
    virtual void Redraw() = 0;
    // One step of the field: the arrow's click.
    virtual void Step() = 0;

protected:
    ~ArrowRepeatHost() = default;
};

// One arrow's press, hold, repeat and release, as both arrow pairs behave: a left press draws
// it pressed; it steps once at a release over it and, when allowed to repeat, once per tick
// while held over it (first after RepeatDelay, then every RepeatInterval). Off the arrow it is
// drawn raised and the timer runs on without steps. Any press starts the timer, any release
// stops it.
class ArrowRepeat
{
public:
    explicit ArrowRepeat(ArrowRepeatHost &host) : m_host(host) {}
    ArrowRepeat(const ArrowRepeat &) = delete;
    ArrowRepeat &operator=(const ArrowRepeat &) = delete;

    bool AllowRepeat() const { return m_allowRepeat; }
    void SetAllowRepeat(bool allow) { m_allowRepeat = allow; }
    // Tests may lower these; they apply from the next press.
    int RepeatDelay() const { return m_repeatDelay; }
    void SetRepeatDelay(int milliseconds) { m_repeatDelay = milliseconds; }
    int RepeatInterval() const { return m_repeatInterval; }
    void SetRepeatInterval(int milliseconds) { m_repeatInterval = milliseconds; }

    // Drawn pressed: the left button is held and the pointer is over the arrow.
    bool IsDown() const { return m_down; }
    // The left button went down here and has not been released or cancelled since.
    bool IsHeld() const { return m_held; }
    // The repeat timer's current interval, 0 while it is off.
    int TimerInterval() const { return m_timerInterval; }

    // Asked before each start of the repeat timer; false refuses it as a system out of timers
    // would. For tests; none is set in the program.
    using TimerAnswerer = std::function<bool(int interval)>;
    void SetTimerAnswerer(TimerAnswerer answerer) { m_timerAnswerer = std::move(answerer); }

    // Any mouse button pressed on the arrow. Raises the timer error; the press itself stands.
    void Press(bool leftButton);
    // The pointer moved, now over the arrow or not.
    void Move(bool over);
    // A mouse button released, over the arrow or not.
    void Release(bool leftButton, bool over);
    // A tick of the repeat timer. pressOver: no mouse button is down any more, so a press that
    // was not the left button's has ended elsewhere. mayStep: the arrow still has the pointer's
    // input. A failing step switches the timer off and is passed on.
    void Tick(bool pressOver = false, bool mayStep = true);
    // The press is dropped (capture lost, hidden, disabled): drawn raised, timer off, no step.
    void Cancel();

private:
    void SetDown(bool down);
    void StartRepeat(int interval);
    void StopRepeat();

    ArrowRepeatHost &m_host;
    bool m_allowRepeat = false;
    bool m_down = false;
    bool m_held = false;
    int m_repeatDelay = 400;
    int m_repeatInterval = 100;
    int m_timerInterval = 0;
    TimerAnswerer m_timerAnswerer;
    // Expires with this object, for a step that destroys the arrow with its field.
    std::shared_ptr<char> m_alive = std::make_shared<char>();
};

// Over an arrow of the given size, in its own coordinates: 0 <= x < width and 0 <= y <= height
// (the bottom edge row counts, as the shared row between the two arrows does).
bool IsOverArrow(Size arrow, int x, int y);

// Where an arrow's glyph is drawn: centred, a spare odd pixel to the leading margin, one pixel
// right and down while pressed.
Point ArrowGlyphPosition(Size arrow, Size glyph, bool down);

} // namespace mrfyc
