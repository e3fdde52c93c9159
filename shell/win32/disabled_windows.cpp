// SPDX-License-Identifier: MIT
#include "shell/win32/disabled_windows.h"

namespace mrfyc {

DisabledWindows::DisabledWindows(HWND keepEnabled) : m_keepEnabled(keepEnabled)
{
    EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
    for (HWND window : m_windows)
        EnableWindow(window, FALSE);
}

DisabledWindows::~DisabledWindows()
{
    EnableAgain();
}

void DisabledWindows::EnableAgain()
{
    for (HWND window : m_windows)
        if (IsWindow(window))
            EnableWindow(window, TRUE);
    m_windows.clear();
}

BOOL CALLBACK DisabledWindows::Collect(HWND window, LPARAM self) noexcept
{
    auto &windows = *reinterpret_cast<DisabledWindows *>(self);
    if (window == windows.m_keepEnabled || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    try {
        windows.m_windows.push_back(window);
    } catch (...) {
        // Out of memory: the windows not collected stay enabled, nothing worse.
        return FALSE;
    }
    return TRUE;
}

} // namespace mrfyc
