// SPDX-License-Identifier: MIT
#pragma once

#include "files/rewrite_recovery.h"
#include "tools/message_language.h"

#include <ostream>
#include <string>
#include <vector>

namespace mrfyc {

inline constexpr int kPatchToolAllPatched = 0;
inline constexpr int kPatchToolSomeFailed = 1;
inline constexpr int kPatchToolUsageError = 2;
// --check: no FILE begins with a header, some FILE does, some FILE could not be checked, some
// FILE is half-moved by an interrupted rewrite that waits for its recovery.
inline constexpr int kPatchToolNoHeader = 0;
inline constexpr int kPatchToolSomeHeader = 1;
inline constexpr int kPatchToolCheckFailed = 2;
inline constexpr int kPatchToolNeedsRecovery = 3;

// mrfyc-patch [OPTION]... FILE...: every FILE goes through the drop rule and the patch (or only
// the header check), "Temp.txt" goes to programDirectory. Outcomes go to out as "FILE: outcome",
// failures to err as "mrfyc-patch: FILE: text (reason)", all in language; first each journal
// that recovery left waiting, to err. A FILE such a journal names is neither read nor patched.
// Returns the exit status.
int RunPatchTool(const std::vector<std::string> &arguments, const std::string &programDirectory,
                 MessageLanguage language, std::ostream &out, std::ostream &err,
                 const RecoveryReport &recovery = RecoveryReport{});

} // namespace mrfyc
