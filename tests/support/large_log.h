// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace mrfyc::test {

// Logs of any size, written and checked a block at a time without a copy in memory.

// Non-zero bytes, a different 64-bit word for every offset.
void WritePattern(const std::string &path, std::uint64_t size, std::uint64_t seed);
// Whether the file holds `headers` copies of the default header followed by exactly the pattern.
bool HoldsHeadersAndPattern(const std::string &path, int headers, std::uint64_t size,
                            std::uint64_t seed);
// The number of default headers in front of the pattern, or -1 when the file is anything else.
int CountHeadersBeforePattern(const std::string &path, std::uint64_t size, std::uint64_t seed,
                              int maxHeaders);

} // namespace mrfyc::test
