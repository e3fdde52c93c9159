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

} // namespace mrfyc
