// SPDX-License-Identifier: MIT
#pragma once

#include "tests/support/test_folder.h"

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace mrfyc::test {

// The header that mrfyc-patch writes with its default values, spelled out independently.
inline constexpr std::string_view kDefaultHeader = "layer_count=2\r\n"
                                                   "layer_max=2\r\n"
                                                   "layer_last=2\r\n"
                                                   "image_width=900\r\n"
                                                   "image_height=1200\r\n"
                                                   "count_lines=6000\r\n"
                                                   "quality=1\r\n";
inline constexpr std::string_view kPatched = "修正しました";
inline constexpr std::string_view kWriteError = "ストリームへの書き込みエラー.";
std::string OpenErrorLine(std::string_view path);   // "ファイル %s は開けません."
std::string CreateErrorLine(std::string_view path); // "ファイル %s を作成できません."

struct ChildOptions
{
    bool captureOutput = true; // stdout and stderr through a pipe, else /dev/null
};

struct Child
{
    pid_t pid = -1;
    int output = -1; // read end of the output pipe, or -1
};

struct RunResult
{
    bool exited = false; // false: killed by a signal or timed out
    int exitCode = -1;
    bool timedOut = false;
    std::string output;
};

// A private folder under the build tree, removed with everything in it at the end. It holds a
// copy of mrfyc-patch in bin/, so each test has its own "Temp.txt" beside the program.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::string &Path() const { return m_path; }
    std::string operator/(std::string_view name) const { return m_path + "/" + std::string(name); }
    std::string Patcher() const { return m_path + "/bin/mrfyc-patch"; }

private:
    std::string m_path;
};

// Whether strace can trace and inject here (ptrace may be forbidden in a container).
bool StraceWorks();

// Starts argv[0] with argv.
Child StartChild(const std::vector<std::string> &argv, const ChildOptions &options = {});
// Waits for the child, collecting its output; after the timeout it is killed and reported as
// timed out.
RunResult WaitChild(const Child &child, std::chrono::milliseconds timeout);
// Runs the patcher on paths and captures what it prints.
RunResult RunPatcher(const ScratchDir &scratch, const std::vector<std::string> &paths,
                     const ChildOptions &options = {},
                     std::chrono::milliseconds timeout = std::chrono::seconds(120));

// Non-zero bytes, a different 64-bit word for every offset, that can be checked without a copy.
void WritePattern(const std::string &path, std::uint64_t size, std::uint64_t seed);
// Whether the file holds `headers` copies of the default header followed by exactly the pattern.
bool HoldsHeadersAndPattern(const std::string &path, int headers, std::uint64_t size,
                            std::uint64_t seed);
// The number of default headers in front of the pattern, or -1 when the file is anything else.
int CountHeadersBeforePattern(const std::string &path, std::uint64_t size, std::uint64_t seed,
                              int maxHeaders);

// Type, mode, owner, size, contents digest or link target of every entry, by name.
std::map<std::string, std::string> Snapshot(const std::string &dir);
std::uint64_t FileSize(const std::string &path);

} // namespace mrfyc::test
