// SPDX-License-Identifier: MIT
#include "ui/qt/spin_button.h"

#include "ui/qt/spin_button_accessible.h"
#include "ui/qt/timer_speed_button.h"

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
            [this](Qt::MouseButton button) { ArrowPressed(button); });
    return arrow;
}

void TSpinButton::setRepeatTiming(int delay, int interval)
{
    for (TTimerSpeedButton *arrow : {m_upButton, m_downButton}) {
        arrow->setRepeatDelay(delay);
        arrow->setRepeatInterval(interval);
    }
}

void TSpinButton::ArrowPressed(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    QWidget *control = m_focusControl;
    if (control && (control->focusPolicy() & Qt::TabFocus) && CanTakeFocus(control) &&
        !control->hasFocus())
        control->setFocus(Qt::OtherFocusReason);
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

} // namespace mrfyc
