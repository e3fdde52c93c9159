// SPDX-License-Identifier: MIT
#include "shell/win32/window_base.h"

#include "rules/errors.h"

#include <string>

namespace mrfyc {

void RegisterWindowClass(const WindowClass &windowClass, WNDPROC procedure)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, windowClass.Name, &existing))
        return;
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.style = windowClass.Style;
    description.lpfnWndProc = procedure;
    description.hInstance = instance;
    description.hIcon = windowClass.Icon;
    description.hIconSm = windowClass.SmallIcon;
    description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    description.hbrBackground = windowClass.Background;
    description.lpszClassName = windowClass.Name;
    if (!RegisterClassExW(&description))
        throw Exception("The window class cannot be registered", static_cast<int>(GetLastError()));
}

void FollowColourScheme(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Only top-level windows are told of new system colours; common controls keep their own
    // brushes until told.
    if (message == WM_SYSCOLORCHANGE)
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            SendMessageW(child, message, wParam, lParam);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

} // namespace mrfyc
