// SPDX-License-Identifier: MIT
#pragma once

#include "rules/arrow_repeat.h"

#include <QBasicTimer>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <utility>

namespace mrfyc {

// A flat push button that paints a frame and a glyph, clicks on a left-button release over it
// and, when allowed to repeat, clicks again while it is held down: first after RepeatDelay, then
// every RepeatInterval. Used for the arrows of TSpinButton.
class TTimerSpeedButton : public QWidget, private ArrowRepeatHost
{
    Q_OBJECT

public:
    explicit TTimerSpeedButton(QWidget *parent = nullptr);
    ~TTimerSpeedButton() override;

    // The glyph; the colour of its bottom-left pixel is drawn transparent.
    void setGlyph(const QImage &glyph);

    bool AllowRepeat() const { return m_repeat.AllowRepeat(); }
    void setAllowRepeat(bool allow) { m_repeat.SetAllowRepeat(allow); }

    // Tests may lower these; they apply from the next press.
    int RepeatDelay() const { return m_repeat.RepeatDelay(); }
    void setRepeatDelay(int milliseconds) { m_repeat.SetRepeatDelay(milliseconds); }
    int RepeatInterval() const { return m_repeat.RepeatInterval(); }
    void setRepeatInterval(int milliseconds) { m_repeat.SetRepeatInterval(milliseconds); }

    bool IsDown() const { return m_repeat.IsDown(); }
    bool IsHeld() const { return m_repeat.IsHeld(); }
    // The repeat timer's id (0 while it is off) and its current interval.
    int RepeatTimerId() const { return m_timer.timerId(); }
    int RepeatTimerInterval() const { return m_repeat.TimerInterval(); }

    // Over the button in its own coordinates: 0 <= x < width and 0 <= y <= height.
    bool IsOver(QPointF position) const;

    // One click: raises OnClick.
    void Click();
    // Drops a press as if the mouse capture had been taken away: drawn raised, timer off, no click.
    void CancelPress();

    // For tests: see ArrowRepeat::SetTimerAnswerer.
    void setTimerAnswerer(ArrowRepeat::TimerAnswerer answerer)
    {
        m_repeat.SetTimerAnswerer(std::move(answerer));
    }

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
    void StartTimer(int interval) override;
    void StopTimer() override;
    void Redraw() override { update(); }
    void Step() override { Click(); }
    QPoint GlyphPosition() const;

    QImage m_glyph;
    QPixmap m_transparentGlyph;
    QBasicTimer m_timer;
    ArrowRepeat m_repeat{*this};
};

} // namespace mrfyc
