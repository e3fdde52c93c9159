// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <string>

namespace mrfyc {

// The text a window shows (its caption, a control's contents), however long.
std::wstring WindowText(HWND window);

} // namespace mrfyc
