// SPDX-License-Identifier: MIT
// Tells a test script what a window of another program shows, as that program's own user32 sees
// it (under Wine the controls are no X windows of their own):
//   window_probe window CLASS      the window's outer place and each child: id, class, place in
//                                  client coordinates, text, and which one has the focus
//   window_probe text CAPTION      the texts of the controls of a dialog, one a line
//   window_probe clipboard         the clipboard's CF_UNICODETEXT and CF_TEXT, as UTF-8
//   window_probe layout DPI        the main window's layout rule at DPI pixels per inch: the outer
//                                  place, then each control's, tab stops before labels
//   window_probe foreground        the caption of the window that takes the keyboard now, when
//                                  one of its controls has the focus (exit 1 otherwise)
// Output is UTF-8 with LF; exit 1 when the window or the text is not there.
#include "rules/main_window_layout.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring &text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

// Line breaks shown as \r and \n, so that every child stays on its line.
std::string Escaped(const std::wstring &text)
{
    std::string out;
    for (const char c : Utf8(text))
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    return out;
}

std::wstring TextOf(HWND window)
{
    wchar_t buffer[4096] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return buffer;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

struct Search
{
    const wchar_t *name;
    bool byClass;
    HWND found;
};

// The visible top-level window with this caption or class (FindWindowW would also take a hidden
// one). Classes are ASCII: a caption outside the ANSI code page may not survive Wine's command
// line.
HWND FindVisible(const wchar_t *name, bool byClass)
{
    Search search{name, byClass, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto *wanted = reinterpret_cast<Search *>(data);
            const std::wstring name = wanted->byClass ? ClassOf(window) : TextOf(window);
            // By caption, only a window with controls: the application's hidden owner window
            // carries the same caption as the dialogs.
            const bool hasControls = GetWindow(window, GW_CHILD) != nullptr;
            if (IsWindowVisible(window) && name == wanted->name &&
                (wanted->byClass || hasControls)) {
                wanted->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int ShowWindowState(HWND window)
{
    RECT outer;
    GetWindowRect(window, &outer);
    std::printf("window %ld %ld %ld %ld enabled=%d\n", outer.left, outer.top,
                outer.right - outer.left, outer.bottom - outer.top,
                IsWindowEnabled(window) ? 1 : 0);
    RECT client;
    GetClientRect(window, &client);
    std::printf("client %ld %ld\n", client.right, client.bottom);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("origin %ld %ld\n", origin.x, origin.y);
    // The window's own scroll bars are shown exactly while it has these styles.
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    std::printf("vscroll %d\nhscroll %d\n", (style & WS_VSCROLL) ? 1 : 0,
                (style & WS_HSCROLL) ? 1 : 0);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT bounds;
        GetWindowRect(child, &bounds);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&bounds), 2);
        std::printf("child %d %s %ld %ld %ld %ld focus=%d tabstop=%d %s\n", GetDlgCtrlID(child),
                    Utf8(ClassOf(child)).c_str(), bounds.left, bounds.top,
                    bounds.right - bounds.left, bounds.bottom - bounds.top,
                    thread.hwndFocus == child ? 1 : 0,
                    (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) ? 1 : 0,
                    Escaped(TextOf(child)).c_str());
    }
    return 0;
}

int ShowDialogTexts(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        std::printf("%s\n", Escaped(TextOf(child)).c_str());
    return 0;
}

int ShowClipboard()
{
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt)
        Sleep(20);
    int missing = 0;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        std::printf("unicode %s\n",
                    Escaped(static_cast<const wchar_t *>(GlobalLock(data))).c_str());
        GlobalUnlock(data);
    } else {
        ++missing;
    }
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        const char *text = static_cast<const char *>(GlobalLock(data));
        // CF_TEXT is in the ANSI code page; shown through the same UTF-16 for comparison.
        const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(size), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
        wide.resize(wide.size() - 1);
        std::printf("ansi %s\n", Escaped(wide).c_str());
        GlobalUnlock(data);
    } else {
        ++missing;
    }
    CloseClipboard();
    return missing == 0 ? 0 : 1;
}

// Keys reach a window only once Windows has made it the foreground window and given one of its
// controls the focus; the X server's active window can be a step ahead of that.
int ShowForeground()
{
    HWND foreground = GetForegroundWindow();
    if (!foreground)
        return 1;
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &thread);
    if (!thread.hwndFocus || !IsChild(foreground, thread.hwndFocus))
        return 1;
    std::printf("%s\n", Utf8(TextOf(foreground)).c_str());
    return 0;
}

int ShowLayout(int pixelsPerInch)
{
    using namespace mrfyc;
    const ScaledMainWindow layout = MainWindowAt(pixelsPerInch);
    std::printf("outer %d %d %d %d\n", layout.Outer.Left, layout.Outer.Top, layout.Outer.Width,
                layout.Outer.Height);
    for (const auto *places : {&layout.TabStops, &layout.Labels})
        for (const Rect &r : *places)
            std::printf("%d %d %d %d\n", r.Left, r.Top, r.Width, r.Height);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"clipboard")
        return ShowClipboard();
    if (command == L"foreground")
        return ShowForeground();
    if (command == L"layout" && argc > 2)
        return ShowLayout(_wtoi(argv[2]));
    if (argc < 3 || (command != L"window" && command != L"text")) {
        std::fprintf(stderr,
                     "usage: window_probe window CLASS | text CAPTION | layout DPI | clipboard\n");
        return 2;
    }
    HWND window = FindVisible(argv[2], command == L"window");
    if (!window) {
        std::fprintf(stderr, "no visible window %s\n", Utf8(argv[2]).c_str());
        return 1;
    }
    return command == L"window" ? ShowWindowState(window) : ShowDialogTexts(window);
}
