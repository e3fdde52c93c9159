// SPDX-License-Identifier: MIT
#include "files/win32/wide_text.h"
#include "rules/file_argument.h"
#include "rules/log_file_selection.h"
#include "shell/startup_trace.h"
#include "shell/win32/application.h"
#include "ui/win32/main_window.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>

namespace {

// "mrfyc.exe FILE" starts with FILE chosen, as if it had been dropped (Explorer's "Open with").
// Without arguments the shell's library, which parses them, is not even loaded.
std::optional<std::string> FileArgument()
{
    if (!mrfyc::CommandLineHasArguments(GetCommandLineW()))
        return std::nullopt;
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return std::nullopt;
    std::optional<std::string> file;
    if (const std::optional<int> index = mrfyc::FileArgumentIndex(count, arguments)) {
        const wchar_t *argument = arguments[*index];
        // Absolute, so that the path still names the file whatever the working folder becomes.
        std::wstring full(GetFullPathNameW(argument, 0, nullptr, nullptr), L'\0');
        full.resize(
            GetFullPathNameW(argument, static_cast<DWORD>(full.size()), full.data(), nullptr));
        file = mrfyc::win32::ToUtf8(full.empty() ? std::wstring(argument) : full);
    }
    LocalFree(arguments);
    return file;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    mrfyc::StartupTrace::Mark("wWinMain");
    // The manifest asks for Common Controls 6; their classes are registered here.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    mrfyc::StartupTrace::Mark("common controls");
    // The current log path lives from start to exit, beyond the window that shows it.
    mrfyc::LogFileSelection selection;
    const std::optional<std::string> file = FileArgument();
    std::unique_ptr<mrfyc::TForm1> form;
    return mrfyc::RunProgram(instance, showCommand, [&](HINSTANCE program, HWND owner) {
        mrfyc::StartupTrace::Mark("owner window made");
        form = std::make_unique<mrfyc::TForm1>(program, owner, selection);
        mrfyc::StartupTrace::Mark("window built");
        if (file)
            form->OpenFromOutsideLater(*file);
        return form->Handle();
    });
}
