// SPDX-License-Identifier: MIT
#include "shell/beep.h"

#include <windows.h>

namespace mrfyc {

void SystemBeep(BeepKind kind)
{
    MessageBeep(kind == BeepKind::Notice ? MB_ICONASTERISK : MB_OK);
}

} // namespace mrfyc
