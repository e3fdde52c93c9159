// SPDX-License-Identifier: MIT
#pragma once

#include "rules/errors.h"

#include <cerrno>
#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <string_view>

namespace mrfyc {

// The error kinds of rules/errors.h as the file layer raises them, each with the system's reason:
// the last failed call's errno unless told otherwise.

[[noreturn]] inline void ThrowReadError(int systemError = errno)
{
    throw EReadError(std::string(kReadErrorText), systemError);
}

[[noreturn]] inline void ThrowWriteError(int systemError = errno)
{
    throw EWriteError(std::string(kWriteErrorText), systemError);
}

// Both name the path as the user gave it.
[[noreturn]] inline void ThrowCreateError(std::string_view path, int systemError = errno)
{
    throw EFCreateError(FileCreateErrorText(path), systemError);
}

[[noreturn]] inline void ThrowOpenError(std::string_view path, int systemError = errno)
{
    throw EFOpenError(FileOpenErrorText(path), systemError);
}

// A buffer of size bytes for data on its way; EStreamError when there is no memory for it.
inline std::unique_ptr<char[]> AllocateBuffer(std::size_t size)
{
    try {
        return std::make_unique_for_overwrite<char[]>(size);
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText), ENOMEM);
    }
}

} // namespace mrfyc
