// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

namespace mrfyc {

// size bytes for names and markers that must differ from every other run's: the system's random
// numbers, or where it has none at hand, the clock, the process and a count of calls. Only
// uniqueness matters, never secrecy.
std::string RandomBytes(std::size_t size);

} // namespace mrfyc
