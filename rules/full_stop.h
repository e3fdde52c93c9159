// SPDX-License-Identifier: MIT
#pragma once

#include "rules/code_page.h"

#include <string>
#include <string_view>

namespace mrfyc {

// The text as an error report shows it: "." appended when the last character sorts after "."
// byte by byte, so that a text ending in a letter, a digit or a double-byte character gets one
// and a text ending in a byte of 0x2E or below (".", ")", a space...) does not.
std::string WithFullStop(std::string_view text, CodePage codePage = NativeCodePage());

} // namespace mrfyc
