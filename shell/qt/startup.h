// SPDX-License-Identifier: MIT
#pragma once

#include "rules/startup_failure_text.h"

#include <QString>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace mrfyc {

// Runs the program: the application with its title and icon, the main window that
// `createMainWindow` builds (shown), the event loop. 0 after a normal end; 1 when start-up fails,
// after the failure has been written to stderr and shown in a box.
int RunProgram(int &argc, char **argv, const std::function<QWidget *()> &createMainWindow);

// The text above for an error caught during start-up: the module that holds the code that raised
// it and the offset into that module.
std::string StartupFailureText(const std::exception_ptr &error);

// Writes the text to stderr and shows it in the task-modal box "アプリケーション エラー" (when
// there is an application to show it); returns the exit code 1.
int ReportStartupFailure(const std::string &text);

} // namespace mrfyc
