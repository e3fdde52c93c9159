// SPDX-License-Identifier: MIT
#include "window_steps.h"

#include <gtest/gtest.h>

#include <map>

namespace mrfyc::test {

namespace {

std::map<UINT_PTR, WindowSteps *> &Running()
{
    static std::map<UINT_PTR, WindowSteps *> running;
    return running;
}

} // namespace

WindowSteps::WindowSteps(const wchar_t *className, std::vector<Step> steps)
    : m_className(className), m_steps(std::move(steps))
{
    m_timer = SetTimer(nullptr, 0, kIntervalMs, Tick);
    Running()[m_timer] = this;
}

WindowSteps::~WindowSteps()
{
    KillTimer(nullptr, m_timer);
    Running().erase(m_timer);
}

void CALLBACK WindowSteps::Tick(HWND, UINT, UINT_PTR timer, DWORD) noexcept
{
    const auto found = Running().find(timer);
    if (found != Running().end())
        found->second->OnTick();
}

void WindowSteps::OnTick()
{
    if (Finished()) {
        // Still there long after the last step: whatever should have closed it did not.
        if (m_found && ++m_ticksAfterLast == kTicksToFind && IsWindow(m_window) &&
            IsWindowVisible(m_window)) {
            ADD_FAILURE() << "the window is still open after the last step";
            PostQuitMessage(3);
        }
        return;
    }
    if (!m_found) {
        HWND window = FindWindowW(m_className, nullptr);
        if (!window || !IsWindowVisible(window)) {
            if (++m_ticks == kTicksToFind) {
                ADD_FAILURE() << "no window of the class showed up";
                m_next = m_steps.size();
                PostQuitMessage(3);
            }
            return;
        }
        m_found = true;
        m_window = window;
    }
    m_steps[m_next++](m_window);
}

void PostKey(UINT key, bool altDown)
{
    HWND target = GetFocus();
    const UINT down = altDown ? WM_SYSKEYDOWN : WM_KEYDOWN;
    const UINT up = altDown ? WM_SYSKEYUP : WM_KEYUP;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM alt = altDown ? (LPARAM(1) << 29) : 0;
    PostMessageW(target, down, key, 1 | scan | alt);
    PostMessageW(target, up, key, 1 | scan | alt | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

void SetModifiers(bool control, bool shift, bool alt)
{
    BYTE state[256]{};
    GetKeyboardState(state);
    state[VK_CONTROL] = state[VK_LCONTROL] = control ? 0x80 : 0;
    state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
    state[VK_MENU] = state[VK_LMENU] = alt ? 0x80 : 0;
    SetKeyboardState(state);
}

} // namespace mrfyc::test
