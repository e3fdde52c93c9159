// SPDX-License-Identifier: MIT
#pragma once

#include "shell/beep.h"
#include "shell/test_seam.h"

#include <string>

namespace mrfyc {

// ShowNotice still beeps but hands its text (UTF-8) here instead of opening the dialog.
TestSeam<void(const std::string &text)> &NoticeSeam();
// ReportError hands the text it would show (UTF-8, full stop applied) here instead of the box.
TestSeam<void(const std::string &shownText)> &ErrorReportSeam();
// The message dialog's copy goes here instead of the clipboard; true when it took the text.
TestSeam<bool(const std::wstring &text)> &ClipboardSeam();
// The start-up failure text goes here instead of the task-modal box (stderr still gets it).
TestSeam<void(const std::string &text)> &StartupFailureSeam();

// The message dialog measures its button caption once per run; a test that changes the font
// starts over with this.
void ForgetMeasuredCaptionWidth();

} // namespace mrfyc
