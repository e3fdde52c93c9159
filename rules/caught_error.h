// SPDX-License-Identifier: MIT
#pragma once

#include <exception>
#include <string>

namespace mrfyc {

// Whatever a command, an event or the start-up threw, as the program reports it: one of the error
// kinds as it is; std::bad_alloc as EOutOfMemory with its text; any other std::exception as an
// Exception with its own text; anything else as an Exception without a message. Only the kinds
// know where they were raised.
struct CaughtError
{
    std::string ClassName;
    std::string Message;
    const void *Address = nullptr;
    // EAbort: a silent end of the command, reported to nobody.
    bool Silent = false;

    // For an exception_ptr that holds an exception (std::current_exception() in a handler).
    static CaughtError From(const std::exception_ptr &error);
};

} // namespace mrfyc
