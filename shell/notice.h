// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>
#include <string>

namespace mrfyc {

// The notice beep, then the modal message dialog captioned with the application title.
void ShowNotice(const QString &text);
// The core's byte strings, converted from the system's narrow encoding.
void ShowNoticeBytes(const std::string &text);

// Test seam: while a hook is set, ShowNotice still beeps but hands the text to the hook instead
// of opening the dialog, so window tests never block. Pass an empty function to restore.
void SetNoticeHook(std::function<void(const QString &)> hook);

} // namespace mrfyc
