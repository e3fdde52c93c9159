// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace mrfyc {

// The running program's folder with its trailing delimiter (UTF-8); "" when it cannot be told, in
// which case the patch refuses to write its scratch file rather than put it in the working folder.
std::string ProgramDirectory();

} // namespace mrfyc
