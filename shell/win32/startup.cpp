// SPDX-License-Identifier: MIT
#include "shell/win32/startup.h"

#include "files/win32/wide_text.h"
#include "rules/caught_error.h"
#include "shell/win32/test_seams.h"

#include <windows.h>

#include <cstdio>

namespace mrfyc {

namespace {

struct Origin
{
    std::string module;
    std::uintptr_t offset = 0;
};

std::string ModulePath(HMODULE module)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return win32::ToUtf8(path);
        }
        path.resize(path.size() * 2);
    }
}

// The module (program file or DLL) holding `address`, and the offset into it; the program file
// when the address is unknown.
Origin OriginOf(const void *address)
{
    HMODULE module = nullptr;
    if (!address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        static_cast<LPCWSTR>(address), &module))
        return {std::string(ModuleFileName(ModulePath(nullptr))), 0};
    return {std::string(ModuleFileName(ModulePath(module))),
            reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module)};
}

} // namespace

TestSeam<void(const std::string &text)> &StartupFailureSeam()
{
    static TestSeam<void(const std::string &text)> seam;
    return seam;
}

std::string StartupFailureText(const std::exception_ptr &error)
{
    const CaughtError caught = CaughtError::From(error);
    const Origin origin = OriginOf(caught.Address);
    return StartupFailureText(caught.ClassName, origin.module, origin.offset, caught.Message);
}

int ReportStartupFailure(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    if (StartupFailureSeam()) {
        StartupFailureSeam()(text);
        return 1;
    }
    MessageBoxW(nullptr, win32::ToWideShown(text).c_str(), L"アプリケーション エラー",
                MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    return 1;
}

} // namespace mrfyc
