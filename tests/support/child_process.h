// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

namespace mrfyc::test {

class PatcherFolder;

struct ChildOptions
{
    bool CaptureOutput = true; // standard output and error through pipes, else to /dev/null
    // A file size limit comes with SIGXFSZ ignored, so that a write past it fails with EFBIG.
    std::optional<rlim_t> FileSizeLimit;
    // After this the child is killed and reported as timed out.
    std::chrono::milliseconds Timeout = std::chrono::minutes(5);
};

struct Child
{
    pid_t Pid = -1;
    int Out = -1; // read ends of the output pipes, or -1
    int Err = -1;
};

struct ChildResult
{
    int ExitCode = -1; // -1 when the child did not exit normally, 127 when it could not start
    bool TimedOut = false;
    std::string Out;
    std::string Err;
    long MaxResidentKiB = 0; // peak memory of the child

    bool Exited() const { return ExitCode >= 0; }
    // Both outputs, for looking up a line wherever the child wrote it.
    std::string Output() const { return Out + Err; }
};

// Starts argv[0] (searched in PATH) with standard input from /dev/null and LeakSanitizer off,
// since it cannot run under ptrace.
Child StartChild(const std::vector<std::string> &argv, const ChildOptions &options = {});
// Waits for the child, collecting its output meanwhile.
ChildResult WaitChild(const Child &child, std::chrono::milliseconds timeout);
ChildResult RunChild(const std::vector<std::string> &argv, const ChildOptions &options = {});
// Runs the folder's copy of the patcher on paths.
ChildResult RunPatcher(const PatcherFolder &folder, const std::vector<std::string> &paths,
                       const ChildOptions &options = {});

// The child of parent (as /proc lists it) that runs program: for a tracer such as strace, which
// also starts short-lived helpers of its own. -1 when parent ends first or none runs program
// within timeout.
pid_t ChildRunning(pid_t parent, const std::string &program,
                   std::chrono::milliseconds timeout = std::chrono::minutes(1));

// The files a process has open, as /proc shows them; none once it has ended.
struct OpenFile
{
    std::string Descriptor; // "/proc/PID/fd/N", which stat follows to the file
    std::string Target;     // where its link points
};
std::vector<OpenFile> OpenFiles(pid_t pid);

// Whether strace can trace and inject here (ptrace may be forbidden in a container).
bool StraceWorks();

} // namespace mrfyc::test
