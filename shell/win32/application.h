// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <functional>

namespace mrfyc {

// L"mrfyc": the caption of the task-bar entry, of every notice and of every error box.
const wchar_t *ApplicationTitle();

// Runs the program: the hidden owner window that carries the task-bar entry (captioned with the
// application title, with the program icon), the main window that createMainWindow builds owned
// by it, shown with showCommand (3 maximised, 7 minimised to the task-bar entry, else normal), and
// the message loop until the main window is destroyed or the session ends. 0 after a normal end;
// 1 when start-up fails (createMainWindow throws or returns no window), after the failure has
// been written to stderr and shown in the task-modal box "アプリケーション エラー".
int RunProgram(HINSTANCE instance, int showCommand,
               const std::function<HWND(HINSTANCE instance, HWND owner)> &createMainWindow);

// The hidden owner window while RunProgram runs, nullptr otherwise.
HWND ApplicationWindow();

// The program icon (resource MRFYC_ICON_MAIN of the program file), or the system's default icon
// when the program file has none.
HICON ApplicationIcon(int size);

} // namespace mrfyc
