// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mrfyc {

// "<kind> がモジュール <module> の <offset> で発生しました。\r\n<message><.>\r\n": the text of the
// box shown when the program fails to start. The "." only when the message is not empty and does
// not end in one; the offset as %p prints a pointer (every hexadecimal digit, in capitals).
std::string StartupFailureText(std::string_view kind, std::string_view module,
                               std::uintptr_t offset, std::string_view message);

// The file name without its folder, for either kind of separator ("\" and ":" too on Windows).
std::string_view ModuleFileName(std::string_view path);

} // namespace mrfyc
