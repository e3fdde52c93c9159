// SPDX-License-Identifier: MIT
#pragma once

#include "rules/caught_error.h"

#include <functional>

namespace mrfyc {

// The event loop's report of an error that escaped a command: releases a mouse capture, then
// (unless the error is an EAbort) shows its text, with the full stop rule applied, in the stop box
// captioned with the application title, the program's other windows disabled meanwhile.
void ReportError(const CaughtError &error);

// Runs one command inside a window procedure, hook or timer, where no exception may pass: an
// error that escapes it is reported (std::bad_alloc as EOutOfMemory's text) and the program goes
// on.
void RunCommand(const std::function<void()> &command);

// Lets a held button or arrow go before a modal window opens.
void CancelMouseCapture();

} // namespace mrfyc
