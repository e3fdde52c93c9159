// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace mrfyc::test {

// Steps run on the GUI thread, one per timer tick, from inside whatever modal loop is running
// then: the first one once a visible window of the class exists, the rest on the ticks after.
// A window that never shows up, or stays open long after the last step, ends every loop with a
// quit request, so that no test hangs.
class WindowSteps
{
public:
    using Step = std::function<void(HWND window)>;

    WindowSteps(const wchar_t *className, std::vector<Step> steps);
    ~WindowSteps();
    WindowSteps(const WindowSteps &) = delete;
    WindowSteps &operator=(const WindowSteps &) = delete;

    bool Found() const { return m_found; }
    bool Finished() const { return m_next == m_steps.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) noexcept;
    void OnTick();

    static constexpr UINT kIntervalMs = 50;
    static constexpr int kTicksToFind = 200; // 10 s

    const wchar_t *m_className;
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    int m_ticks = 0;
    int m_ticksAfterLast = 0;
    bool m_found = false;
    HWND m_window = nullptr;
    UINT_PTR m_timer = 0;
};

// Posts a key press and release to the window with the keyboard focus, as the keyboard would.
void PostKey(UINT key, bool altDown = false);
// The modifier keys as GetKeyState reports them on this thread from now on.
void SetModifiers(bool control, bool shift, bool alt);

} // namespace mrfyc::test
