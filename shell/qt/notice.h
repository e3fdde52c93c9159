// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string>

namespace mrfyc {

// The notice beep, then the modal message dialog captioned with the application title.
void ShowNotice(const QString &text);
// The core's byte strings, converted from the system's narrow encoding.
void ShowNoticeBytes(const std::string &text);

} // namespace mrfyc
