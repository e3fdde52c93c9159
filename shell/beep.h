// SPDX-License-Identifier: MIT
#pragma once

namespace mrfyc {

// The two sounds of the program: the notice's asterisk beep and the plain default beep with which
// a field refuses a character or the message dialog acknowledges Ctrl+C.
enum class BeepKind
{
    Notice,
    Default
};

void Beep(BeepKind kind);

} // namespace mrfyc
