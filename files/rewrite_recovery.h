// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace mrfyc {

// Brings every log whose rewrite in place a killed run left journalled in programDirectory (UTF-8,
// with its trailing delimiter) back to its old or its patched contents. Only journals of the
// user running this count, and only a log that is still the very file they name. Called before a
// program does anything else and before each patch. Never fails: a log that cannot be brought
// back now (out of reach, or the disk refuses) keeps its journal for the next run.
void RecoverInterruptedRewrites(const std::string &programDirectory) noexcept;

} // namespace mrfyc
