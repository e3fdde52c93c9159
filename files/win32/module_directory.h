// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <string>

namespace mrfyc::win32 {

// The folder of a loaded module's file (nullptr: the running program) with its trailing
// delimiter, in UTF-8, however long; "" when the system cannot tell.
std::string ModuleDirectory(HMODULE module);

} // namespace mrfyc::win32
