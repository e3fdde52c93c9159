// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <string>

namespace mrfyc {

// The face the window's text is drawn in: "ＭＳ Ｐゴシック" where the system has it, else the first
// Japanese UI face it has, so that the Japanese captions never show as boxes.
std::wstring WindowFontFace();

// The window font at a height in LOGFONT terms (negative: character height without leading).
HFONT CreateWindowFont(const std::wstring &face, int height);

} // namespace mrfyc
