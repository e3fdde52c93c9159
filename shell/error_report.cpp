// SPDX-License-Identifier: MIT
#include "shell/error_report.h"

#include "rules/errors.h"
#include "rules/full_stop.h"
#include "shell/application.h"

#include <QMessageBox>
#include <QPointer>

namespace mrfyc {

namespace {

std::function<void(const QString &)> &Hook()
{
    static std::function<void(const QString &)> hook;
    return hook;
}

void ShowErrorBox(const QString &text)
{
    QPointer<QWidget> active = QApplication::activeWindow();
    QPointer<QWidget> focus = QApplication::focusWidget();
    // Owned by the active window, so the box opens on its monitor and has no task-bar entry.
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, active);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (active)
        active->activateWindow();
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

} // namespace

void ReportError(const Exception &error)
{
    CancelMouseCapture();
    if (dynamic_cast<const EAbort *>(&error))
        return;
    const QString text = QString::fromLocal8Bit(WithFullStop(error.Message()));
    if (Hook()) {
        Hook()(text);
        return;
    }
    ShowErrorBox(text);
}

std::string WithFullStop(const std::string &message)
{
    return WithFullStop(std::string_view(message), NativeCodePage());
}

void SetErrorReportHook(std::function<void(const QString &shownText)> hook)
{
    Hook() = std::move(hook);
}

} // namespace mrfyc
