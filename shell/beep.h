// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace mrfyc {

// The two sounds of the program: the notice's asterisk beep and the plain default beep with which
// a field refuses a character or the message dialog acknowledges Ctrl+C.
enum class BeepKind
{
    Notice,
    Default
};

void Beep(BeepKind kind);

// Tests observe the beeps (kind and order) through this; pass an empty function to stop.
void SetBeepObserver(std::function<void(BeepKind)> observer);

} // namespace mrfyc
