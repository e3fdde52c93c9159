// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"
#include "shell/win32/window_base.h"

#include <windows.h>

#include <functional>
#include <string>

namespace mrfyc::test {

// A top-level window on the display for controls under test, brought to the foreground so that
// real input reaches it.
class TestWindow : public WindowBase<TestWindow>
{
public:
    TestWindow();
    ~TestWindow();

    // The notifications of its controls (WM_COMMAND), as a form hands them on.
    std::function<void(HWND control, WORD notification)> OnCommand;

private:
    friend class WindowBase<TestWindow>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
};

// Dispatches the thread's messages until done() holds or timeoutMs has passed; false on timeout.
bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs = 5000);
// Dispatches the thread's messages for the given time.
void PumpFor(DWORD milliseconds);

// Real input through SendInput; each call returns once the input has been dispatched.
void TypeText(const std::wstring &text);
void PressKey(WORD virtualKey, bool withShift = false, bool withControl = false);
void MoveMouse(HWND window, POINT client);
void MouseButton(HWND window, POINT client, bool down, bool rightButton = false);
// While set, the pump hands keyboard messages to IsDialogMessage for dialog, as a window with
// tab navigation does; nullptr switches it off.
void SetDialogNavigation(HWND dialog);
// How many WM_TIMER messages have been dispatched to window since the counting started.
void StartCountingTimerTicks(HWND window);
int TimerTicks();

} // namespace mrfyc::test
