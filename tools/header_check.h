// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace mrfyc {

// Whether the file at path begins with a header (BeginsWithHeader), reading only its start,
// without changing it or waiting on it. Throws EFOpenError when it cannot be opened or is not a
// regular file, EReadError when reading fails, each with the system's error number.
bool FileBeginsWithHeader(const std::string &path);

} // namespace mrfyc
