// SPDX-License-Identifier: MIT
#pragma once

#include "shell/beep.h"
#include "shell/test_seam.h"

#include <QString>

#include <functional>

namespace mrfyc {

// ShowNotice still beeps but hands its text here instead of opening the dialog.
TestSeam<void(const QString &text)> &NoticeSeam();
// ReportError hands the text it would show here instead of opening the critical box.
TestSeam<void(const QString &shownText)> &ErrorReportSeam();
// The message dialog's copy goes here instead of the clipboard; true when it took the text.
TestSeam<bool(const QString &text)> &ClipboardSeam();

// The message dialog measures its button caption once per run; a test that changes the font
// starts over with this.
void ForgetMeasuredCaptionWidth();

} // namespace mrfyc
