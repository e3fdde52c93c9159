// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <string_view>

namespace mrfyc {

class TTimerSpeedButton;

// A pair of auto-repeating arrow buttons, the up arrow above the down arrow sharing one pixel row.
// An arrow's click raises OnUpClick or OnDownClick. Pressing an arrow gives the focus to
// FocusControl; the pair itself never holds the keyboard focus, as inside a field (and as the
// Win32 pair).
class TSpinButton : public QWidget
{
    Q_OBJECT

public:
    explicit TSpinButton(QWidget *parent = nullptr);
    ~TSpinButton() override;

    TTimerSpeedButton *UpButton() const { return m_upButton; }
    TTimerSpeedButton *DownButton() const { return m_downButton; }

    QWidget *FocusControl() const { return m_focusControl; }
    void setFocusControl(QWidget *control) { m_focusControl = control; }

    // What a left click on the arrow does, for callers without a mouse such as a screen reader:
    // the focus goes to FocusControl as at the press, then one step as at the release.
    void ClickArrow(TTimerSpeedButton *arrow);

    // Both arrows' auto-repeat timing (400 and 100 ms unless a test lowers them).
    void setRepeatTiming(int delay, int interval);

    static QImage DefaultUpGlyph();
    static QImage DefaultDownGlyph();

signals:
    void OnUpClick();
    void OnDownClick();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    TTimerSpeedButton *CreateArrow(const QImage &glyph, std::string_view name);
    void ArrowPressed(Qt::MouseButton button);
    void PlaceArrows();

    TTimerSpeedButton *m_upButton = nullptr;
    TTimerSpeedButton *m_downButton = nullptr;
    QPointer<QWidget> m_focusControl;
};

} // namespace mrfyc
