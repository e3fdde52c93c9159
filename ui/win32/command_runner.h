// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace mrfyc {

// How the controls run what a window procedure or a timer starts, so that no error crosses a
// Win32 callback. The program gives the shell's RunCommand, which reports the error and goes on.
using CommandRunner = std::function<void(const std::function<void()> &command)>;

void SetCommandRunner(CommandRunner runner);

// Runs command through the runner; without one, an error that escapes is shown in a stop box
// with its text, since a failure must never pass unseen.
void RunControlCommand(const std::function<void()> &command);

} // namespace mrfyc
