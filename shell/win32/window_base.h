// SPDX-License-Identifier: MIT
#pragma once

#include "shell/win32/error_report.h"

#include <windows.h>

#include <commctrl.h>

namespace mrfyc {

// What a window class of the program differs in; everything else is the same for all of them.
struct WindowClass
{
    const wchar_t *Name = nullptr;
    UINT Style = 0;
    HBRUSH Background = nullptr;
    HICON Icon = nullptr;
    HICON SmallIcon = nullptr;
};

// Registers the class once per process with procedure and the arrow cursor; later calls find it
// registered. Throws Exception when the system refuses it.
void RegisterWindowClass(const WindowClass &windowClass, WNDPROC procedure);

// A top-level window's part when the system's colours, settings or visual style change (a
// high-contrast scheme switched on or off): its controls hear of new colours too, and everything
// in it is drawn again in them.
void FollowColourScheme(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A handler's answer where no exception may pass: an error that escapes is reported by RunCommand
// and the program goes on. The message then counts as answered with 0, so that no default
// procedure handles it a second time (a control would take a refused character, a dialog could
// close under its own loop).
template <typename Handling> LRESULT AnswerGuarded(Handling &&handling)
{
    LRESULT answer = 0;
    RunCommand([&] { answer = handling(); });
    return answer;
}

// The base of every window object: the object is handed to CreateWindowExW, attached to its handle
// at WM_NCCREATE and detached after WM_NCDESTROY, and answers every message in between through
// Derived::HandleMessage (behind AnswerGuarded). The default procedure answers before the object
// is attached.
template <typename Derived> class WindowBase
{
public:
    HWND Handle() const { return m_handle; }

protected:
    WindowBase() = default;
    WindowBase(const WindowBase &) = delete;
    WindowBase &operator=(const WindowBase &) = delete;
    ~WindowBase() = default;

    static void Register(WindowClass windowClass) { RegisterWindowClass(windowClass, &WindowProc); }

    // Creates the window of a class registered through Register, with this object attached.
    HWND Create(DWORD exStyle, const wchar_t *className, const wchar_t *caption, DWORD style,
                int left, int top, int width, int height, HWND parent,
                HINSTANCE instance = GetModuleHandleW(nullptr))
    {
        return CreateWindowExW(exStyle, className, caption, style, left, top, width, height, parent,
                               nullptr, instance, static_cast<Derived *>(this));
    }

    HWND m_handle = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto *created = static_cast<Derived *>(
                reinterpret_cast<const CREATESTRUCTW *>(lParam)->lpCreateParams);
            created->m_handle = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        }
        auto *object = reinterpret_cast<Derived *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!object)
            return DefWindowProcW(window, message, wParam, lParam);
        const LRESULT answer =
            AnswerGuarded([&] { return object->HandleMessage(message, wParam, lParam); });
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            object->m_handle = nullptr;
        }
        return answer;
    }
};

// The one way to subclass a control: Object::HandleSubclassed(control, message, wParam, lParam)
// answers each of its messages (behind AnswerGuarded) and passes on what it leaves with
// DefSubclassProc; the subclass goes with the control's WM_NCDESTROY.
template <typename Object> class Subclass
{
public:
    static void Attach(HWND control, Object *object, UINT_PTR id = 0)
    {
        SetWindowSubclass(control, &Procedure, id, reinterpret_cast<DWORD_PTR>(object));
    }
    static void Detach(HWND control, UINT_PTR id = 0)
    {
        RemoveWindowSubclass(control, &Procedure, id);
    }

private:
    static LRESULT CALLBACK Procedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR object)
    {
        if (message == WM_NCDESTROY)
            RemoveWindowSubclass(control, &Procedure, id);
        return AnswerGuarded([&] {
            return reinterpret_cast<Object *>(object)->HandleSubclassed(control, message, wParam,
                                                                        lParam);
        });
    }
};

} // namespace mrfyc
