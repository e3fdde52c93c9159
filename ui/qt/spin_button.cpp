// SPDX-License-Identifier: MIT
#include "ui/qt/spin_button.h"

#include "ui/qt/spin_button_accessible.h"
#include "ui/qt/timer_speed_button.h"

#include <QKeyEvent>

// The bitmaps live in a static library, whose resource registration is not pulled in by itself.
static void RegisterSpinBitmaps()
{
    Q_INIT_RESOURCE(spin_bitmaps);
}

namespace mrfyc {

namespace {

constexpr int kMinimumWidth = 15;

bool CanTakeFocus(const QWidget *widget)
{
    return widget->isVisible() && widget->isEnabled() && widget->window()->isEnabled();
}

} // namespace

TSpinButton::TSpinButton(QWidget *parent) : QWidget(parent)
{
    SpinButtonAccessible::Register();
    setFocusPolicy(Qt::NoFocus);
    setMinimumWidth(kMinimumWidth);
    m_upButton = CreateArrow(DefaultUpGlyph());
    m_downButton = CreateArrow(DefaultDownGlyph());
    m_focusedButton = m_upButton;
    connect(m_upButton, &TTimerSpeedButton::OnClick, this, &TSpinButton::OnUpClick);
    connect(m_downButton, &TTimerSpeedButton::OnClick, this, &TSpinButton::OnDownClick);
    resize(20, 25);
    PlaceArrows();
}

TSpinButton::~TSpinButton() = default;

namespace {

void EnsureBitmaps()
{
    static const bool registered = (RegisterSpinBitmaps(), true);
    Q_UNUSED(registered);
}

} // namespace

QImage TSpinButton::DefaultUpGlyph()
{
    EnsureBitmaps();
    return QImage(QStringLiteral(":/mrfyc/SpinUp"));
}

QImage TSpinButton::DefaultDownGlyph()
{
    EnsureBitmaps();
    return QImage(QStringLiteral(":/mrfyc/SpinDown"));
}

TTimerSpeedButton *TSpinButton::CreateArrow(const QImage &glyph)
{
    auto *arrow = new TTimerSpeedButton(this);
    arrow->setGlyph(glyph);
    arrow->setAllowRepeat(true);
    connect(arrow, &TTimerSpeedButton::OnMouseDown, this,
            [this, arrow](Qt::MouseButton button) { ArrowPressed(arrow, button); });
    return arrow;
}

void TSpinButton::setFocusedButton(TTimerSpeedButton *button)
{
    if (button != m_upButton && button != m_downButton)
        return;
    m_focusedButton = button;
    UpdateFocusRectangles();
}

void TSpinButton::setTabStop(bool tabStop)
{
    // No click focus: a press reaches the pair through its arrows, which decide where the focus
    // goes (FocusControl first).
    setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
}

void TSpinButton::setRepeatTiming(int delay, int interval)
{
    for (TTimerSpeedButton *arrow : {m_upButton, m_downButton}) {
        arrow->setRepeatDelay(delay);
        arrow->setRepeatInterval(interval);
    }
}

void TSpinButton::ArrowPressed(TTimerSpeedButton *arrow, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    setFocusedButton(arrow);
    QWidget *control = m_focusControl;
    if (control && (control->focusPolicy() & Qt::TabFocus) && CanTakeFocus(control)) {
        if (!control->hasFocus())
            control->setFocus(Qt::OtherFocusReason);
    } else if (TabStop() && CanTakeFocus(this) && !hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
}

void TSpinButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceArrows();
}

void TSpinButton::PlaceArrows()
{
    const int pairWidth = width();
    const int pairHeight = height();
    const int upHeight = pairHeight / 2;
    m_upButton->setGeometry(0, 0, pairWidth, upHeight);
    // The arrows share one pixel row.
    m_downButton->setGeometry(0, upHeight - 1, pairWidth, pairHeight - upHeight + 1);
}

void TSpinButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        m_focusedButton->Click();
        break;
    case Qt::Key_Up:
        setFocusedButton(m_upButton);
        m_upButton->Click();
        break;
    case Qt::Key_Down:
        setFocusedButton(m_downButton);
        m_downButton->Click();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TSpinButton::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    UpdateFocusRectangles();
}

void TSpinButton::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    UpdateFocusRectangles();
}

void TSpinButton::UpdateFocusRectangles()
{
    const bool focused = hasFocus();
    m_upButton->setShowFocus(focused && m_focusedButton == m_upButton);
    m_downButton->setShowFocus(focused && m_focusedButton == m_downButton);
}

} // namespace mrfyc
