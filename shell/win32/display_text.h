// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace mrfyc {

// The rules' UTF-8 texts for a window or a box: bytes that are no UTF-8 show as U+FFFD instead of
// losing the whole text, since a message must still be shown.
std::wstring ToDisplayText(std::string_view text);

} // namespace mrfyc
