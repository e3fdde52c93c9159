// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace mrfyc {

// The notice beep, then the modal message dialog captioned with the application title; text is
// the rules' UTF-8.
void ShowNotice(const std::string &text);

} // namespace mrfyc
