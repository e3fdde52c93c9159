// SPDX-License-Identifier: MIT
#include "ui/qt/spin_button_accessible.h"

#include "ui/qt/spin_button.h"
#include "ui/qt/spin_button_arrow_accessible.h"
#include "ui/qt/timer_speed_button.h"

namespace mrfyc {

namespace {

QAccessibleInterface *CreateInterface(const QString &className, QObject *object)
{
    if (className == QLatin1StringView(TSpinButton::staticMetaObject.className()))
        return new SpinButtonAccessible(static_cast<TSpinButton *>(object));
    // An arrow's press goes through its pair: an arrow without one keeps Qt's plain interface.
    if (className == QLatin1StringView(TTimerSpeedButton::staticMetaObject.className()) &&
        qobject_cast<TSpinButton *>(static_cast<QWidget *>(object)->parentWidget()))
        return new SpinButtonArrowAccessible(static_cast<TTimerSpeedButton *>(object));
    return nullptr;
}

} // namespace

SpinButtonAccessible::SpinButtonAccessible(TSpinButton *button)
    : QAccessibleWidget(button, QAccessible::SpinBox)
{}

QString SpinButtonAccessible::text(QAccessible::Text kind) const
{
    // The field it steps is what gives it a name (the field's caption).
    const QWidget *field = Button()->parentWidget();
    if (kind == QAccessible::Name && field && !field->accessibleName().isEmpty())
        return field->accessibleName();
    return QAccessibleWidget::text(kind);
}

QStringList SpinButtonAccessible::actionNames() const
{
    return {increaseAction(), decreaseAction()};
}

void SpinButtonAccessible::doAction(const QString &actionName)
{
    if (!Button()->isEnabled())
        return;
    if (actionName == increaseAction())
        Button()->UpButton()->Click();
    else if (actionName == decreaseAction())
        Button()->DownButton()->Click();
}

QStringList SpinButtonAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == increaseAction())
        return {QStringLiteral("Up")};
    if (actionName == decreaseAction())
        return {QStringLiteral("Down")};
    return {};
}

void SpinButtonAccessible::Register()
{
    static const bool registered = [] {
        QAccessible::installFactory(CreateInterface);
        return true;
    }();
    (void)registered;
}

TSpinButton *SpinButtonAccessible::Button() const
{
    return static_cast<TSpinButton *>(widget());
}

} // namespace mrfyc
