// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mrfyc::win32 {

// Paths travel as UTF-8 through the program and become UTF-16 only at the W call, so that any
// name the file system holds (Korean, emoji) can be named. Empty when text is no valid UTF-8.
std::optional<std::wstring> ToWide(std::string_view text);
// For text to show rather than a name to use: bytes that are no UTF-8 become U+FFFD instead of
// losing the whole text, since a message must still be shown.
std::wstring ToWideShown(std::string_view text);
// Unpaired surrogates become U+FFFD: the result names the file for messages only.
std::string ToUtf8(std::wstring_view text);

} // namespace mrfyc::win32
