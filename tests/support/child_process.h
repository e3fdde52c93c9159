// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace mrfyc::test {

struct ChildResult
{
    int ExitCode = -1; // -1 when the child did not exit normally, 127 when it could not start
    std::string Out;
    std::string Err;
    long MaxResidentKiB = 0; // peak memory of the child
};

// Runs argv[0] (searched in PATH) with LeakSanitizer off, since it cannot run under ptrace. A
// file size limit comes with SIGXFSZ ignored, so that a write past it fails with EFBIG.
ChildResult RunChild(const std::vector<std::string> &argv,
                     std::optional<rlim_t> fileSizeLimit = {});

} // namespace mrfyc::test
