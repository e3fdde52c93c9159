// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

namespace mrfyc {

// Up to most bytes from the start of the file at path (UTF-8), read without changing the file,
// without keeping others from it and without waiting on it. Throws EFOpenError naming path when
// it cannot be opened or is no plain file, EReadError when reading fails, each with the system's
// error number.
std::string ReadFileStart(const std::string &path, std::size_t most);

} // namespace mrfyc
