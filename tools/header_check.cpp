// SPDX-License-Identifier: MIT
#include "tools/header_check.h"

#include "rules/header_settings.h"
#include "tools/file_start.h"

namespace mrfyc {

bool FileBeginsWithHeader(const std::string &path)
{
    return BeginsWithHeader(ReadFileStart(path, kLongestHeader));
}

} // namespace mrfyc
