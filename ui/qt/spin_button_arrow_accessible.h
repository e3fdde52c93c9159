// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleWidget>

namespace mrfyc {

class TSpinButton;
class TTimerSpeedButton;

// One arrow of a pair as assistive technology sees it: a push button with the arrow's name whose
// press is a click on it, rather than an unnamed filler.
class SpinButtonArrowAccessible : public QAccessibleWidget
{
public:
    explicit SpinButtonArrowAccessible(TTimerSpeedButton *arrow);

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    TTimerSpeedButton *Arrow() const;
    TSpinButton *Pair() const;
};

} // namespace mrfyc
