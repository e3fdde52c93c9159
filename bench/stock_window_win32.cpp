// SPDX-License-Identifier: MIT
// A bare Win32 window with the controls mrfyc.exe's window has (the menu 開く, five labels, four
// edit fields with up-down controls, a button), the same font and the same common-controls
// manifest, and mrfyc.exe's caption (the window manager draws it before it maps the window), built
// the plain way: the yardstick for mrfyc.exe's start-up under Wine.
#include "rules/main_window_layout.h"
#include "shell/startup_trace.h"

#include <windows.h>

#include <commctrl.h>

namespace {

constexpr wchar_t kClassName[] = L"mrfyc-bench-win32-stock";

struct Field
{
    int maximum, value, left, top;
};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND AddChild(HWND parent, const wchar_t *className, const wchar_t *text, DWORD style, int left,
              int top, int width, int height, HFONT font, DWORD exStyle = 0)
{
    HWND child =
        CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, left, top, width,
                        height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void AddControls(HWND window, HFONT font)
{
    AddChild(window, WC_STATICW, L"ファイル名：", SS_LEFT, 4, 8, 349, 37, font);
    AddChild(window, WC_STATICW, L"高さ", SS_LEFT, 28, 52, 21, 12, font);
    AddChild(window, WC_STATICW, L"幅", SS_LEFT, 200, 52, 12, 12, font);
    AddChild(window, WC_STATICW, L"ライン数", SS_LEFT, 28, 105, 42, 12, font);
    AddChild(window, WC_STATICW, L"クオリティ", SS_LEFT, 200, 105, 49, 12, font);
    const Field fields[] = {{65536, 1200, 28, 68},
                            {65536, 900, 200, 68},
                            {2147483647, 6000, 28, 120},
                            {9, 1, 200, 120}};
    for (const Field &field : fields) {
        HWND edit = AddChild(window, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, field.left,
                             field.top, 121, 21, font, WS_EX_CLIENTEDGE);
        HWND arrows = AddChild(window, UPDOWN_CLASSW, nullptr,
                               UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                               0, 0, 0, 0, font);
        SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
        SendMessageW(arrows, UDM_SETRANGE32, 0, field.maximum);
        SendMessageW(arrows, UDM_SETPOS32, 0, field.value);
    }
    AddChild(window, WC_BUTTONW, L"OK", WS_TABSTOP | BS_PUSHBUTTON, 244, 168, 75, 25, font);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    mrfyc::StartupTrace::Mark("wWinMain");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    wchar_t caption[64]{};
    MultiByteToWideChar(CP_UTF8, 0, mrfyc::kMainWindowCaption.data(),
                        int(mrfyc::kMainWindowCaption.size()), caption, 63);
    HWND window = CreateWindowExW(0, kClassName, caption, WS_OVERLAPPEDWINDOW, 210, 77, 370, 251,
                                  nullptr, nullptr, instance, nullptr);
    mrfyc::StartupTrace::Mark("window made");
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 100, L"開く(&O)");
    SetMenu(window, menu);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
    AddControls(window, font);
    mrfyc::StartupTrace::Mark("controls made");
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    mrfyc::StartupTrace::Mark("shown and painted");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(font);
    return 0;
}
