// SPDX-License-Identifier: MIT
#pragma once

#include "rules/header_settings.h"
#include "rules/patch_outcome.h"

#include <string>

namespace mrfyc {

// Writes the header to "Temp.txt" in programDirectory (which ends in a delimiter), reads it back,
// then replaces the log with header + old contents. With an empty path nothing is touched and
// the outcome is NoFileChosen. Failures throw the error kinds of rules/errors.h and leave the log
// exactly as it was; only a rewrite in place (the log's folder not writable) that fails after its
// space was reserved can leave it partly shifted. A log that a waiting journal names (its
// recovery could not be finished) cannot be opened: EFOpenError. A process that keeps a file size
// limit should ignore SIGXFSZ, so that the limit fails the write instead of killing.
PatchOutcome PatchLogFile(const std::string &currentLogPath, const THeaderSettings &settings,
                          const std::string &programDirectory);
// The same with "Temp.txt" beside the running program, as the windows patch.
PatchOutcome PatchLogFileBesideProgram(const std::string &currentLogPath,
                                       const THeaderSettings &settings);

} // namespace mrfyc
