// SPDX-License-Identifier: MIT
#pragma once

#include "shell/beep.h"
#include "shell/test_seam.h"

namespace mrfyc {

// Every beep, kind and order, instead of the speaker.
TestSeam<void(BeepKind kind)> &BeepSeam();

} // namespace mrfyc
