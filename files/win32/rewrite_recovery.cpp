// SPDX-License-Identifier: MIT
#include "files/rewrite_recovery.h"

namespace mrfyc {

// Windows replaces the log through a new file every time; nothing is ever rewritten in place.
RecoveryReport RecoverInterruptedRewrites(const std::string &) noexcept
{
    return {};
}

const WaitingRewrite *RecoveryReport::For(const std::string &) const
{
    return nullptr;
}

} // namespace mrfyc
