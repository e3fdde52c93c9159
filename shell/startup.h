// SPDX-License-Identifier: MIT
#pragma once

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

// "<kind> がモジュール <module> の <offset> で発生しました。\r\n<message><.>\r\n", the "." only
// when the message is not empty and does not end in one.
std::string StartupFailureText(std::string_view kind, std::string_view module,
                               std::uintptr_t offset, std::string_view message);

// The text above for an error caught during start-up: the module that holds the code that raised
// it and the offset into that module.
std::string StartupFailureText(const std::exception_ptr &error);

// Writes the text to stderr and shows it in the task-modal box "アプリケーション エラー" (when
// there is an application to show it); returns the exit code 1.
int ReportStartupFailure(const std::string &text);

} // namespace mrfyc
