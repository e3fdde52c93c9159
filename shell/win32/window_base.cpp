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

} // namespace mrfyc
