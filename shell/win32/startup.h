// SPDX-License-Identifier: MIT
#pragma once

#include "rules/startup_failure_text.h"

#include <exception>
#include <string>

namespace mrfyc {

// The start-up failure text for an error caught during start-up: the module that holds the code
// that raised it and the offset into that module.
std::string StartupFailureText(const std::exception_ptr &error);

// Writes the text to stderr and shows it in the task-modal stop box "アプリケーション エラー";
// returns the exit code 1.
int ReportStartupFailure(const std::string &text);

} // namespace mrfyc
