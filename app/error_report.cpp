#include "app/error_report.h"

#include "app/application.h"
#include "core/code_page.h"
#include "core/errors.h"

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
    if (message.empty())
        return message;
    // The last character, whole, compared with "." byte by byte as unsigned values.
    const std::string_view last = std::string_view(message).substr(LastCharacterStart(message));
    const auto first = static_cast<unsigned char>(last.front());
    const bool sortsAfterStop = first > '.' || (first == '.' && last.size() > 1);
    return sortsAfterStop ? message + '.' : message;
}

void SetErrorReportHook(std::function<void(const QString &shownText)> hook)
{
    Hook() = std::move(hook);
}

} // namespace mrfyc
