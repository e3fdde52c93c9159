// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace mrfyc {

inline constexpr int kPatchToolAllPatched = 0;
inline constexpr int kPatchToolSomeFailed = 1;
inline constexpr int kPatchToolUsageError = 2;

// mrfyc-patch [--width N] [--height N] [--lines N] [--quality N] FILE...: every FILE goes
// through the drop rule and the patch, "Temp.txt" goes to programDirectory. Outcomes go to out,
// failures to err, each line "FILE: outcome". Returns the exit status.
int RunPatchTool(const std::vector<std::string> &arguments, const std::string &programDirectory,
                 std::ostream &out, std::ostream &err);

} // namespace mrfyc
