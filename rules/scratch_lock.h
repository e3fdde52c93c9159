// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

namespace mrfyc {

// How long a patch waits for another one to let go of the scratch file before it reports that
// the file cannot be created. A patch holds it only from writing the header to reading it back,
// a matter of milliseconds; anything longer is a holder that may never let go. The wait blocks
// the caller's thread, so a window freezes no longer than this, on every platform.
inline constexpr std::chrono::milliseconds kScratchLockWait{2000};

} // namespace mrfyc
