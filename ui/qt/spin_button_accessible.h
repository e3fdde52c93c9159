// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleWidget>

namespace mrfyc {

class TSpinButton;

// The arrow pair as assistive technology sees it: a spin button named after its field, with the
// actions up and down, rather than an unnamed filler.
class SpinButtonAccessible : public QAccessibleWidget
{
public:
    explicit SpinButtonAccessible(TSpinButton *button);

    QString text(QAccessible::Text kind) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    // Makes Qt build this interface for every arrow pair, and its arrows' interfaces; safe to call
    // more than once.
    static void Register();

private:
    TSpinButton *Button() const;
};

} // namespace mrfyc
