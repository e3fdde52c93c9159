// SPDX-License-Identifier: MIT
#pragma once

#include "tools/message_language.h"

#include <ostream>
#include <string>
#include <vector>

namespace mrfyc {

inline constexpr int kPatchToolAllPatched = 0;
inline constexpr int kPatchToolSomeFailed = 1;
inline constexpr int kPatchToolUsageError = 2;
// --check: no FILE begins with a header, some FILE does, some FILE could not be checked.
inline constexpr int kPatchToolNoHeader = 0;
inline constexpr int kPatchToolSomeHeader = 1;
inline constexpr int kPatchToolCheckFailed = 2;

// mrfyc-patch [OPTION]... FILE...: every FILE goes through the drop rule and the patch (or only
// the header check), "Temp.txt" goes to programDirectory. Outcomes go to out as "FILE: outcome",
// failures to err as "mrfyc-patch: FILE: text (reason)", all in language. Returns the exit
// status.
int RunPatchTool(const std::vector<std::string> &arguments, const std::string &programDirectory,
                 MessageLanguage language, std::ostream &out, std::ostream &err);

} // namespace mrfyc
