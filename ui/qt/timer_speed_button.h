// SPDX-License-Identifier: MIT
#pragma once

#include "rules/errors.h"

#include <QBasicTimer>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <string_view>
#include <utility>

namespace mrfyc {

// A flat push button that paints a frame and a glyph, clicks on a left-button release over it
// and, when allowed to repeat, clicks again while it is held down: first after RepeatDelay, then
// every RepeatInterval. Used for the arrows of TSpinButton.
class TTimerSpeedButton : public QWidget
{
    Q_OBJECT

public:
    explicit TTimerSpeedButton(QWidget *parent = nullptr);
    ~TTimerSpeedButton() override;

    // The glyph; the colour of its bottom-left pixel is drawn transparent.
    void setGlyph(const QImage &glyph);

    bool AllowRepeat() const { return m_allowRepeat; }
    void setAllowRepeat(bool allow) { m_allowRepeat = allow; }

    // Tests may lower these; they apply from the next press.
    int RepeatDelay() const { return m_repeatDelay; }
    void setRepeatDelay(int milliseconds) { m_repeatDelay = milliseconds; }
    int RepeatInterval() const { return m_repeatInterval; }
    void setRepeatInterval(int milliseconds) { m_repeatInterval = milliseconds; }

    // Drawn pressed: the left button is held and the pointer is over the button.
    bool IsDown() const { return m_down; }
    // The left button went down here and has not been released or cancelled since.
    bool IsHeld() const { return m_held; }
    // The repeat timer's id (0 while it is off) and its current interval.
    int RepeatTimerId() const { return m_timer.timerId(); }
    int RepeatTimerInterval() const { return m_timerInterval; }

    // Over the button in its own coordinates: 0 <= x < width and 0 <= y <= height.
    bool IsOver(QPointF position) const;

    // One click: raises OnClick.
    void Click();
    // Drops a press as if the mouse capture had been taken away: drawn raised, timer off, no click.
    void CancelPress();

    // Asked before each start of the repeat timer; false refuses it as a platform out of timers
    // would. For tests; none is set in the program.
    using TimerAnswerer = std::function<bool(int interval)>;
    void setTimerAnswerer(TimerAnswerer answerer) { m_timerAnswerer = std::move(answerer); }

signals:
    void OnClick();
    // Any mouse button pressed on the button, before it is drawn pressed.
    void OnMouseDown(Qt::MouseButton button);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void SetDown(bool down);
    void StartRepeat(int interval);
    // Starts the repeat timer; false when none could be had.
    bool StartRepeatTimer(int interval);
    void StopRepeat();
    QPoint GlyphPosition() const;

    QImage m_glyph;
    QPixmap m_transparentGlyph;
    bool m_allowRepeat = false;
    bool m_down = false;
    bool m_held = false;
    int m_repeatDelay = 400;
    int m_repeatInterval = 100;
    QBasicTimer m_timer;
    int m_timerInterval = 0;
    TimerAnswerer m_timerAnswerer;
};

} // namespace mrfyc
