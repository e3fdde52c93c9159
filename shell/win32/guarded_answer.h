// SPDX-License-Identifier: MIT
#pragma once

#include "shell/win32/error_report.h"

#include <windows.h>

#include <optional>

namespace mrfyc {

// A window's own answer to a message, worked out inside RunCommand, since no exception may leave
// a window procedure: an error that escapes is reported, the program goes on, and there is no
// answer, so that the window procedure falls back to its default.
template <typename Handling> std::optional<LRESULT> GuardedAnswer(Handling &&handling)
{
    std::optional<LRESULT> answer;
    RunCommand([&] { answer = handling(); });
    return answer;
}

// The window procedure's work for a window whose object, kept in GWLP_USERDATA, answers its
// messages through handle: the default procedure answers before the object is attached and
// where the object's answer failed.
template <typename Object>
LRESULT AnswerThroughObject(LRESULT (Object::*handle)(UINT, WPARAM, LPARAM), HWND window,
                            UINT message, WPARAM wParam, LPARAM lParam)
{
    if (auto *object = reinterpret_cast<Object *>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
        if (const std::optional<LRESULT> answer =
                GuardedAnswer([&] { return (object->*handle)(message, wParam, lParam); }))
            return *answer;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace mrfyc
