// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mrfyc {

// What is reported when the message dialog's Ctrl+C finds the clipboard taken.
inline constexpr std::string_view kClipboardErrorText = "クリップボードを開くことができません";

// What the message dialog's Ctrl+C puts on the clipboard: seven lines, each ended by CR LF, the
// caption, the text and the button captions (each followed by three spaces, every "&" removed)
// between dividers of 27 hyphens.
std::string MessageContentText(std::string_view caption, std::string_view text,
                               const std::vector<std::string_view> &buttonCaptions);

} // namespace mrfyc
