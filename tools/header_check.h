// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mrfyc {

// The most bytes a header can take: seven keys, seven values of at most 11 characters ("%d" of
// a 32-bit number), seven CR LF.
inline constexpr std::size_t kLongestHeader = 256;

// Whether bytes begin with a header as the patch writes it: the seven keys in their order, each
// followed by "=", a whole number ("%d": an optional "-" and 1 to 10 digits) and CR LF. The
// values may be any, so a header written with other settings counts too.
bool BeginsWithHeader(std::string_view bytes);

// Reads the start of the file at path, without changing it or waiting on it. Throws
// EFOpenError when it cannot be opened or is not a regular file, EReadError when reading fails,
// each with the system's error number.
bool FileBeginsWithHeader(const std::string &path);

} // namespace mrfyc
