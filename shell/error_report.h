// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>
#include <string>

namespace mrfyc {

class Exception;

// The event loop's report of an error that escaped a handler: releases a mouse grab, then (unless
// the error is an EAbort) shows the critical box titled with the application title.
void ReportError(const Exception &error);

// The message with "." appended unless it ends in a byte of 0x2E or below (last character whole).
std::string WithFullStop(const std::string &message);

// Test seam: while set, the text that would be shown goes to the hook instead of the modal box.
void SetErrorReportHook(std::function<void(const QString &shownText)> hook);

} // namespace mrfyc
