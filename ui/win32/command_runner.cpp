// SPDX-License-Identifier: MIT
#include "ui/win32/command_runner.h"

#include "files/win32/wide_text.h"
#include "rules/errors.h"

#include <windows.h>

#include <exception>
#include <new>
#include <string>
#include <utility>

namespace mrfyc {

namespace {

CommandRunner &Runner()
{
    static CommandRunner runner;
    return runner;
}

void ShowStopBox(std::string_view text)
{
    const std::wstring wide = win32::ToWide(text).value_or(L"?");
    MessageBoxW(nullptr, wide.c_str(), L"mrfyc", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

} // namespace

void SetCommandRunner(CommandRunner runner)
{
    Runner() = std::move(runner);
}

void RunControlCommand(const std::function<void()> &command)
{
    if (Runner()) {
        Runner()(command);
        return;
    }
    try {
        command();
    } catch (const EAbort &) {
    } catch (const Exception &error) {
        ShowStopBox(error.Message());
    } catch (const std::bad_alloc &) {
        ShowStopBox(kOutOfMemoryText);
    } catch (const std::exception &error) {
        ShowStopBox(error.what());
    }
}

} // namespace mrfyc
