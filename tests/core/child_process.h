#pragma once

#include <optional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace mrfyc::test {

struct TChildResult
{
    int ExitCode = -1; // -1 when the child did not exit normally
    std::string Out;
    std::string Err;
    long MaxResidentKiB = 0; // peak memory of the child
};

struct TChildOptions
{
    // RLIMIT_FSIZE for the child, with SIGXFSZ ignored so that a write past it fails with EFBIG.
    std::optional<rlim_t> FileSizeLimit;
};

// Runs argv[0] (searched in PATH) with LeakSanitizer off, since it cannot run under ptrace.
TChildResult RunChild(const std::vector<std::string> &argv, const TChildOptions &options = {});

// Whether a program of that name is installed.
bool HasProgram(const std::string &name);

} // namespace mrfyc::test
