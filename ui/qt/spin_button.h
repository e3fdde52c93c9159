// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace mrfyc {

class TTimerSpeedButton;

// A pair of auto-repeating arrow buttons, the up arrow above the down arrow sharing one pixel row.
// An arrow's click raises OnUpClick or OnDownClick. Pressing an arrow gives the focus to
// FocusControl; the pair takes the keyboard focus itself only when its TabStop is on.
class TSpinButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)

public:
    explicit TSpinButton(QWidget *parent = nullptr);
    ~TSpinButton() override;

    TTimerSpeedButton *UpButton() const { return m_upButton; }
    TTimerSpeedButton *DownButton() const { return m_downButton; }
    // The arrow that Space clicks while the pair holds the focus.
    TTimerSpeedButton *FocusedButton() const { return m_focusedButton; }
    void setFocusedButton(TTimerSpeedButton *button);

    QWidget *FocusControl() const { return m_focusControl; }
    void setFocusControl(QWidget *control) { m_focusControl = control; }

    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void setTabStop(bool tabStop);

    // Both arrows' auto-repeat timing (400 and 100 ms unless a test lowers them).
    void setRepeatTiming(int delay, int interval);

    static QImage DefaultUpGlyph();
    static QImage DefaultDownGlyph();

signals:
    void OnUpClick();
    void OnDownClick();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    TTimerSpeedButton *CreateArrow(const QImage &glyph);
    void ArrowPressed(TTimerSpeedButton *arrow, Qt::MouseButton button);
    void UpdateFocusRectangles();
    void PlaceArrows();

    TTimerSpeedButton *m_upButton = nullptr;
    TTimerSpeedButton *m_downButton = nullptr;
    TTimerSpeedButton *m_focusedButton = nullptr;
    QPointer<QWidget> m_focusControl;
};

} // namespace mrfyc
