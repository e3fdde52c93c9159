// SPDX-License-Identifier: MIT
#include "ui/qt/spin_button_arrow_accessible.h"

#include "ui/qt/spin_button.h"
#include "ui/qt/timer_speed_button.h"

namespace mrfyc {

SpinButtonArrowAccessible::SpinButtonArrowAccessible(TTimerSpeedButton *arrow)
    : QAccessibleWidget(arrow, QAccessible::PushButton)
{}

QStringList SpinButtonArrowAccessible::actionNames() const
{
    return {pressAction()};
}

void SpinButtonArrowAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction())
        Pair()->ClickArrow(Arrow());
}

TTimerSpeedButton *SpinButtonArrowAccessible::Arrow() const
{
    return static_cast<TTimerSpeedButton *>(widget());
}

TSpinButton *SpinButtonArrowAccessible::Pair() const
{
    return static_cast<TSpinButton *>(widget()->parentWidget());
}

} // namespace mrfyc
