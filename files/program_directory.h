// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace mrfyc {

// The running program's folder with its trailing delimiter (UTF-8); "" when it cannot be told,
// so that the scratch file goes to the working folder.
std::string ProgramDirectory();

} // namespace mrfyc
