// SPDX-License-Identifier: MIT
#include "shell/beep.h"

#include "shell/win32/test_seams.h"

#include <windows.h>

namespace mrfyc {

TestSeam<void(BeepKind kind)> &BeepSeam()
{
    static TestSeam<void(BeepKind kind)> seam;
    return seam;
}

void Beep(BeepKind kind)
{
    if (BeepSeam()) {
        BeepSeam()(kind);
        return;
    }
    MessageBeep(kind == BeepKind::Notice ? MB_ICONASTERISK : MB_OK);
}

} // namespace mrfyc
