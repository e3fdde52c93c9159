// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace mrfyc {

// Gives every top-level caption without "&" an access key from "0-9A-Z", each key used once and
// keys already marked elsewhere taken first. A caption with a double-byte character gets the
// "(&K)" suffix on a double-byte system (falling back to the last free key); otherwise "&" goes
// in front of the chosen character.
std::vector<std::u32string> AssignMenuAccessKeys(const std::vector<std::u32string> &captions,
                                                 bool doubleByteSystem);

} // namespace mrfyc
