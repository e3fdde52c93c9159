// SPDX-License-Identifier: MIT
#pragma once

#include "shell/test_seam.h"

namespace mrfyc {

// The two sounds of the program: the notice's asterisk beep and the plain default beep with which
// a field refuses a character or the message dialog acknowledges Ctrl+C.
enum class BeepKind
{
    Notice,
    Default
};

// Every beep, kind and order, instead of the speaker.
inline TestSeam<void(BeepKind kind)> &BeepSeam()
{
    static TestSeam<void(BeepKind kind)> seam;
    return seam;
}

// The speaker, in each toolkit's own call.
void SystemBeep(BeepKind kind);

inline void Beep(BeepKind kind)
{
    if (BeepSeam())
        BeepSeam()(kind);
    else
        SystemBeep(kind);
}

} // namespace mrfyc
