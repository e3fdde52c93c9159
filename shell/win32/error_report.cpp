// SPDX-License-Identifier: MIT
#include "shell/win32/error_report.h"

#include "files/win32/wide_text.h"
#include "rules/full_stop.h"
#include "shell/win32/application.h"
#include "shell/win32/disabled_windows.h"
#include "shell/win32/test_seams.h"

#include <windows.h>

#include <string>

namespace mrfyc {

namespace {

// Owned by the active window, so that the box opens on its monitor; that window is disabled by
// the box itself and so gets the activation back when the box closes.
void ShowErrorBox(const std::string &text)
{
    HWND active = GetActiveWindow();
    HWND owner = active ? active : ApplicationWindow();
    HWND focus = GetFocus();
    {
        const DisabledWindows others(owner);
        MessageBoxW(owner, win32::ToWideShown(text).c_str(), ApplicationTitle(),
                    MB_OK | MB_ICONSTOP);
    }
    if (active && IsWindow(active))
        SetActiveWindow(active);
    if (focus && IsWindow(focus))
        SetFocus(focus);
}

void Report(const CaughtError &error) noexcept
{
    try {
        ReportError(error);
    } catch (...) {
        // Nothing left to tell the user with; the program goes on all the same.
    }
}

} // namespace

TestSeam<void(const std::string &shownText)> &ErrorReportSeam()
{
    static TestSeam<void(const std::string &shownText)> seam;
    return seam;
}

void CancelMouseCapture()
{
    if (HWND capture = GetCapture()) {
        SendMessageW(capture, WM_CANCELMODE, 0, 0);
        ReleaseCapture();
    }
}

void ReportError(const CaughtError &error)
{
    CancelMouseCapture();
    if (error.Silent)
        return;
    const std::string text = WithFullStop(error.Message);
    if (ErrorReportSeam()) {
        ErrorReportSeam()(text);
        return;
    }
    ShowErrorBox(text);
}

void RunCommand(const std::function<void()> &command)
{
    try {
        command();
    } catch (...) {
        Report(CaughtError::From(std::current_exception()));
    }
}

} // namespace mrfyc
