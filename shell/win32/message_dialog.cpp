// SPDX-License-Identifier: MIT
#include "shell/win32/message_dialog.h"

#include "shell/win32/application.h"
#include "shell/win32/disabled_windows.h"
#include "shell/win32/error_report.h"
#include "shell/win32/message_form.h"
#include "shell/win32/message_loop.h"

namespace mrfyc {

int ShowMessageDialog(const std::wstring &text, const std::wstring &caption)
{
    CancelMouseCapture();
    HWND previous = GetActiveWindow();
    // Owned by the hidden application window: no task-bar entry of its own.
    HWND owner = ApplicationWindow() ? ApplicationWindow() : previous;
    TMessageForm form(text, caption, owner);
    DisabledWindows others(form.Handle());
    form.PlaceOnScreen(previous);
    ShowWindow(form.Handle(), SW_SHOW);
    SetActiveWindow(form.Handle());
    SetFocus(form.OkButton());

    const bool answered = RunMessageLoop([&form] { return form.Result() != 0; });
    const bool wasActive = GetActiveWindow() == form.Handle();
    // Enabled before the dialog hides, so that Windows hands the activation back to the program.
    others.EnableAgain();
    ShowWindow(form.Handle(), SW_HIDE);
    if (wasActive && previous && IsWindow(previous))
        SetActiveWindow(previous);
    return answered && form.Result() == TMessageForm::ResultOk ? TMessageForm::ResultOk
                                                               : TMessageForm::ResultClosed;
}

} // namespace mrfyc
