// SPDX-License-Identifier: MIT
#include "shell/win32/application.h"

#include "rules/errors.h"
#include "shell/startup_trace.h"
#include "shell/win32/error_report.h"
#include "shell/win32/message_loop.h"
#include "shell/win32/resource_ids.h"
#include "shell/win32/startup.h"
#include "shell/win32/window_base.h"

#include <commctrl.h>

#include <memory>

namespace mrfyc {

namespace {

constexpr wchar_t kOwnerClass[] = L"TApplication";

struct Program
{
    HWND owner = nullptr;
    HWND mainWindow = nullptr;

    // The main window's messages, before its own procedure sees them.
    LRESULT HandleSubclassed(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

Program &CurrentProgram()
{
    static Program program;
    return program;
}

void EndSession()
{
    // Every loop ends, an open notice with result 2; the main window goes with the shutdown.
    PostQuitMessage(0);
}

// The owner stands in for the main window on the task bar: its Close closes the main window, and
// when it is activated (restored, clicked) the main window or its open dialog takes over.
LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND mainWindow = CurrentProgram().mainWindow;
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            if (mainWindow)
                PostMessageW(mainWindow, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_SETFOCUS: {
        HWND popup = GetLastActivePopup(window);
        if (popup != window && IsWindowVisible(popup) && IsWindowEnabled(popup))
            SetActiveWindow(popup);
        return 0;
    }
    case WM_SIZE:
        // Windows hides and shows the owned windows with a minimised owner itself; Wine does not.
        if (wParam == SIZE_MINIMIZED)
            ShowOwnedPopups(window, FALSE);
        else if (wParam == SIZE_RESTORED)
            ShowOwnedPopups(window, TRUE);
        break;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            EndSession();
        return 0;
    case WM_CLOSE:
        if (mainWindow)
            PostMessageW(mainWindow, WM_CLOSE, 0, 0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Minimising the main window minimises the program to its task-bar entry (the owner hides the
// windows it owns), and the end of the main window ends the loop.
LRESULT Program::HandleSubclassed(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && owner) {
            ShowWindow(owner, SW_MINIMIZE);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        mainWindow = nullptr;
        PostQuitMessage(0);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

HWND CreateOwnerWindow(HINSTANCE instance)
{
    RegisterWindowClass({.Name = kOwnerClass,
                         .Icon = ApplicationIcon(GetSystemMetrics(SM_CXICON)),
                         .SmallIcon = ApplicationIcon(GetSystemMetrics(SM_CXSMICON))},
                        &OwnerProc);
    // No size: nothing of it is ever seen but its task-bar entry.
    HWND owner =
        CreateWindowExW(0, kOwnerClass, ApplicationTitle(),
                        WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                        0, 0, nullptr, nullptr, instance, nullptr);
    if (!owner)
        return nullptr;
    HMENU menu = GetSystemMenu(owner, FALSE);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
    return owner;
}

void GiveIconIfNone(HWND window)
{
    if (SendMessageW(window, WM_GETICON, ICON_BIG, 0) == 0 &&
        GetClassLongPtrW(window, GCLP_HICON) == 0) {
        SendMessageW(window, WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(ApplicationIcon(GetSystemMetrics(SM_CXICON))));
        SendMessageW(window, WM_SETICON, ICON_SMALL,
                     reinterpret_cast<LPARAM>(ApplicationIcon(GetSystemMetrics(SM_CXSMICON))));
    }
}

void ShowProgram(HWND owner, HWND mainWindow, int showCommand)
{
    if (showCommand == SW_SHOWMAXIMIZED)
        ShowWindow(mainWindow, SW_SHOWMAXIMIZED);
    else if (showCommand == SW_SHOWMINNOACTIVE)
        ShowWindow(mainWindow, SW_SHOWNOACTIVATE);
    else
        ShowWindow(mainWindow, SW_SHOWNORMAL);
    // Shown without size or activation: it only puts the entry on the task bar, and the main
    // window's first frame need not wait for it (under Wine a top-level window's first showing
    // costs some milliseconds).
    SetWindowPos(owner, nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE | SWP_NOMOVE);
    // The owner hides the windows it owns while it is minimised and shows them on restore.
    if (showCommand == SW_SHOWMINNOACTIVE)
        ShowWindow(owner, SW_SHOWMINNOACTIVE);
    UpdateWindow(mainWindow);
}

void DiscardQuitRequests()
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void Shutdown()
{
    Program &program = CurrentProgram();
    if (program.mainWindow)
        DestroyWindow(program.mainWindow);
    if (program.owner)
        DestroyWindow(program.owner);
    program = Program{};
    DiscardQuitRequests();
}

} // namespace

const wchar_t *ApplicationTitle()
{
    return L"mrfyc";
}

HWND ApplicationWindow()
{
    return CurrentProgram().owner;
}

HICON ApplicationIcon(int size)
{
    auto icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(MRFYC_ICON_MAIN),
                                      IMAGE_ICON, size, size, LR_SHARED));
    if (!icon)
        icon = LoadIconW(nullptr, IDI_APPLICATION);
    return icon;
}

int RunProgram(HINSTANCE instance, int showCommand,
               const std::function<HWND(HINSTANCE instance, HWND owner)> &createMainWindow)
{
    Program &program = CurrentProgram();
    try {
        program.owner = CreateOwnerWindow(instance);
        if (!program.owner)
            throw Exception("CreateWindowExW failed", static_cast<int>(GetLastError()));
        HWND mainWindow = createMainWindow(instance, program.owner);
        if (!mainWindow)
            throw Exception(std::string());
        program.mainWindow = mainWindow;
        Subclass<Program>::Attach(mainWindow, &program);
        GiveIconIfNone(mainWindow);
        ShowProgram(program.owner, mainWindow, showCommand);
        StartupTrace::Mark("shown and painted");
    } catch (...) {
        const std::string text = StartupFailureText(std::current_exception());
        Shutdown();
        return ReportStartupFailure(text);
    }
    RunMessageLoop([] { return false; });
    Shutdown();
    return 0;
}

} // namespace mrfyc
