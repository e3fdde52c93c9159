// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <vector>

namespace mrfyc {

// For the time of a modal window: every other visible, enabled top-level window of this thread
// disabled, and enabled again when this goes (or earlier, by EnableAgain).
class DisabledWindows
{
public:
    explicit DisabledWindows(HWND keepEnabled);
    ~DisabledWindows();
    DisabledWindows(const DisabledWindows &) = delete;
    DisabledWindows &operator=(const DisabledWindows &) = delete;

    // Before the modal window hides, so that Windows can hand the activation back to one of them.
    void EnableAgain();

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self) noexcept;

    HWND m_keepEnabled = nullptr;
    std::vector<HWND> m_windows;
};

} // namespace mrfyc
