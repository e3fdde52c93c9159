// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace mrfyc {

// The patcher's whole run after the platform's entry point: a memory reserve so that running
// out of memory is still reported, the language from the locale variables or the system, the
// run itself on standard output and standard error. arguments (UTF-8, without the program's
// name) is called once the reserve is in place. Returns the exit status.
int PatchToolMain(const std::function<std::vector<std::string>()> &arguments);

} // namespace mrfyc
