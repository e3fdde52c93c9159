// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace mrfyc {

// The integer that a spin field's text spells, or nothing when it spells none. Leading spaces,
// one sign, then decimal digits within the 32-bit range or a hexadecimal number after "$", "x",
// "X", "0x" or "0X" of at most FFFFFFFF taken as the 32-bit pattern; nothing may follow.
// A sign before a hexadecimal number negates the pattern (-$10 is -16).
// Standard library only: the fuzzer builds this file on its own.
std::optional<std::int32_t> ParseSpinText(std::string_view utf8);

} // namespace mrfyc
