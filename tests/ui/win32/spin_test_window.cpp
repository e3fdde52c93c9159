// SPDX-License-Identifier: MIT
#include "spin_test_window.h"

#include <stdexcept>
#include <vector>

namespace mrfyc::test {

namespace {

constexpr wchar_t kClassName[] = L"mrfycSpinTestWindow";
// A key that nothing in the tests uses: its release marks the end of an input sequence.
constexpr WORD kSentinelKey = VK_F24;

HHOOK g_hook = nullptr;
bool g_sentinelSeen = false;
bool g_mouseSeen = false;
UINT g_mouseMessage = 0;
HWND g_timerWindow = nullptr;
HWND g_dialog = nullptr;
int g_timerTicks = 0;

LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const auto *message = reinterpret_cast<const MSG *>(lParam);
        if (message->message == WM_KEYUP && message->wParam == kSentinelKey)
            g_sentinelSeen = true;
        if (message->message == g_mouseMessage)
            g_mouseSeen = true;
        if (message->message == WM_TIMER && message->hwnd == g_timerWindow)
            ++g_timerTicks;
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

void Send(std::vector<INPUT> inputs)
{
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size())
        throw std::runtime_error("SendInput failed");
}

INPUT Key(WORD virtualKey, wchar_t character, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = character;
    input.ki.dwFlags = (character ? KEYEVENTF_UNICODE : 0) | (up ? KEYEVENTF_KEYUP : 0);
    return input;
}

void SendAndWait(std::vector<INPUT> inputs)
{
    inputs.push_back(Key(kSentinelKey, 0, false));
    inputs.push_back(Key(kSentinelKey, 0, true));
    g_sentinelSeen = false;
    Send(std::move(inputs));
    if (!PumpUntil([] { return g_sentinelSeen; }))
        throw std::runtime_error("the input did not arrive");
    // What the keys posted in turn (characters, commands) is handled too.
    PumpFor(20);
}

INPUT MouseAt(HWND window, POINT client, DWORD flags)
{
    POINT screen = client;
    ClientToScreen(window, &screen);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(screen.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    return input;
}

void SendMouse(HWND window, POINT client, DWORD flags, UINT expected)
{
    g_mouseSeen = false;
    g_mouseMessage = expected;
    Send({MouseAt(window, client, flags)});
    if (!PumpUntil([] { return g_mouseSeen; }))
        throw std::runtime_error("the mouse input did not arrive");
    PumpFor(20);
}

} // namespace

TestWindow::TestWindow()
{
    Register({.Name = kClassName, .Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
    if (!Create(0, kClassName, L"spin field test", WS_OVERLAPPEDWINDOW, 100, 100, 400, 200,
                nullptr))
        throw std::runtime_error("CreateWindowExW failed");
    ShowWindow(m_handle, SW_SHOWNORMAL);
    UpdateWindow(m_handle);
    SetForegroundWindow(m_handle);
    if (!g_hook)
        g_hook = SetWindowsHookExW(WH_GETMESSAGE, WatchMessages, nullptr, GetCurrentThreadId());
    PumpUntil([this] { return GetForegroundWindow() == m_handle; });
    PumpFor(50);
}

TestWindow::~TestWindow()
{
    DestroyWindow(m_handle);
    PumpFor(10);
}

LRESULT TestWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && lParam != 0 && OnCommand)
        OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    return DefWindowProcW(m_handle, message, wParam, lParam);
}

bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (g_dialog && IsDialogMessageW(g_dialog, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(10, deadline - now)),
                                  QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

void TypeText(const std::wstring &text)
{
    std::vector<INPUT> inputs;
    for (wchar_t character : text) {
        inputs.push_back(Key(0, character, false));
        inputs.push_back(Key(0, character, true));
    }
    SendAndWait(std::move(inputs));
}

void PressKey(WORD virtualKey, bool withShift, bool withControl)
{
    std::vector<INPUT> inputs;
    if (withShift)
        inputs.push_back(Key(VK_SHIFT, 0, false));
    if (withControl)
        inputs.push_back(Key(VK_CONTROL, 0, false));
    inputs.push_back(Key(virtualKey, 0, false));
    inputs.push_back(Key(virtualKey, 0, true));
    if (withControl)
        inputs.push_back(Key(VK_CONTROL, 0, true));
    if (withShift)
        inputs.push_back(Key(VK_SHIFT, 0, true));
    SendAndWait(std::move(inputs));
}

void MoveMouse(HWND window, POINT client)
{
    SendMouse(window, client, 0, WM_MOUSEMOVE);
}

void MouseButton(HWND window, POINT client, bool down, bool rightButton)
{
    if (rightButton)
        SendMouse(window, client, down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP,
                  down ? WM_RBUTTONDOWN : WM_RBUTTONUP);
    else
        SendMouse(window, client, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP,
                  down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
}

void SetDialogNavigation(HWND dialog)
{
    g_dialog = dialog;
}

void StartCountingTimerTicks(HWND window)
{
    g_timerWindow = window;
    g_timerTicks = 0;
}

int TimerTicks()
{
    return g_timerTicks;
}

} // namespace mrfyc::test
