// SPDX-License-Identifier: MIT
#include "ui/qt/spin_button.h"

#include "rules/accessible_names.h"
#include "rules/spin_field_geometry.h"
#include "ui/qt/spin_button_accessible.h"
#include "ui/qt/timer_speed_button.h"

#include <QPointer>

// The bitmaps live in a static library, whose resource registration is not pulled in by itself.
static void RegisterSpinBitmaps()
{
    Q_INIT_RESOURCE(spin_bitmaps);
}

namespace mrfyc {

namespace {

bool CanTakeFocus(const QWidget *widget)
{
    return widget->isVisible() && widget->isEnabled() && widget->window()->isEnabled();
}

} // namespace

TSpinButton::TSpinButton(QWidget *parent) : QWidget(parent)
{
    SpinButtonAccessible::Register();
    setFocusPolicy(Qt::NoFocus);
    setMinimumWidth(kSpinPairWidth);
    m_upButton = CreateArrow(DefaultUpGlyph(), kUpArrowName);
    m_downButton = CreateArrow(DefaultDownGlyph(), kDownArrowName);
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

// Decoded once for all fields; naming the format spares the reader asking every image plugin.
QImage TSpinButton::DefaultUpGlyph()
{
    EnsureBitmaps();
    static const QImage glyph(QStringLiteral(":/mrfyc/SpinUp"), "BMP");
    return glyph;
}

QImage TSpinButton::DefaultDownGlyph()
{
    EnsureBitmaps();
    static const QImage glyph(QStringLiteral(":/mrfyc/SpinDown"), "BMP");
    return glyph;
}

TTimerSpeedButton *TSpinButton::CreateArrow(const QImage &glyph, std::string_view name)
{
    auto *arrow = new TTimerSpeedButton(this);
    arrow->setAccessibleName(QString::fromUtf8(name.data(), qsizetype(name.size())));
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

void TSpinButton::ClickArrow(TTimerSpeedButton *arrow)
{
    if (!arrow->isEnabled())
        return;
    QPointer<TTimerSpeedButton> alive(arrow);
    ArrowPressed(Qt::LeftButton);
    if (alive)
        arrow->Click();
}

void TSpinButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceArrows();
}

void TSpinButton::PlaceArrows()
{
    const ArrowPlaces places = mrfyc::PlaceArrows({width(), height()});
    m_upButton->setGeometry(places.Up.Left, places.Up.Top, places.Up.Width, places.Up.Height);
    m_downButton->setGeometry(places.Down.Left, places.Down.Top, places.Down.Width,
                              places.Down.Height);
}

} // namespace mrfyc
