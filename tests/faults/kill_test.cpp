// A patch killed with SIGKILL at any moment leaves the log exactly as it was or exactly patched,
// and the next patch of that log works and leaves nothing else behind.
#include "tests/faults/fault_support.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace mrfyc::faults {
namespace {

constexpr std::uint64_t kSeed = 0x6d7266796b696c6cull;

std::uint64_t LogSize()
{
    // A few hundred MiB by default; an odd size, so no block boundary lines up with the end.
    std::uint64_t mib = 256;
    if (const char *text = std::getenv("MRFYC_KILL_LOG_MIB"))
        mib = std::strtoull(text, nullptr, 10);
    return (mib << 20) + 3;
}

// Size of the file the child has open for writing in folder, other than the log itself; -1 while
// there is none. A temporary file made with O_TMPFILE shows up as "folder/#inode (deleted)".
long long TempSizeSeenIn(pid_t pid, const std::string &folder, const std::string &log)
{
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    DIR *stream = ::opendir(fds.c_str());
    if (stream == nullptr)
        return -1;
    long long size = -1;
    while (const dirent *entry = ::readdir(stream)) {
        const std::string fd = fds + "/" + entry->d_name;
        char target[4096];
        const ssize_t n = ::readlink(fd.c_str(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        const std::string link(target, static_cast<std::size_t>(n));
        if (link.rfind(folder + "/", 0) != 0 || link == log)
            continue;
        struct stat info{};
        if (::stat(fd.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            size = std::max<long long>(size, info.st_size);
    }
    ::closedir(stream);
    return size;
}

struct KillPoint
{
    long long target = 0;    // kill once the temporary file holds this many bytes; < 0: at once
    long long seen = -1;     // its size when the kill was sent; -1: none seen
    bool finished = false;   // the child ended before the point was reached
};

// Watches the child's temporary file grow and kills it at the point. Busy polling on purpose:
// the file grows by a block every few hundred microseconds.
void KillAt(pid_t pid, const std::string &folder, const std::string &log, KillPoint &point)
{
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            point.finished = true;
            return;
        }
        const long long size = TempSizeSeenIn(pid, folder, log);
        if (point.target < 0 || size >= point.target) {
            point.seen = size;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            point.finished = WIFEXITED(status);
            return;
        }
    }
}

TEST(KilledMidWrite, LogIsOldOrPatchedAtEveryPointAndTheNextPatchCleansUp)
{
    TScratchDir scratch;
    const std::string folder = scratch / "logs";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string log = folder + "/big.mrfy";
    const std::uint64_t size = LogSize();
    WritePattern(log, size, kSeed);

    // One kill before anything is written, 22 spread over the write, one once the whole new
    // file exists (during the flush to disk or the rename).
    constexpr int kSpread = 22;
    std::vector<double> fractions{-1.0};
    for (int i = 0; i < kSpread; ++i)
        fractions.push_back((i + 0.5) / kSpread);
    fractions.push_back(1.0);

    int headers = 0;
    int midWrite = 0;
    for (const double fraction : fractions) {
        const auto patched = static_cast<double>(size + (headers + 1) * kDefaultHeader.size());
        KillPoint point;
        point.target = fraction < 0 ? -1 : static_cast<long long>(fraction * patched);
        KillAt(StartChild({scratch.Patcher(), log}), folder, log, point);
        if (point.seen > 0 && point.seen < static_cast<long long>(patched))
            ++midWrite;

        const int found = CountHeadersBeforePattern(log, size, kSeed, headers + 1);
        ASSERT_TRUE(found == headers || found == headers + 1)
            << "killed at " << point.seen << " of " << patched << " bytes: the log holds "
            << FileSize(log) << " bytes that are neither the old log nor the patched one";
        headers = found;
        const std::vector<std::string> left = ListNames(folder);
        std::printf("kill at %5.1f%%: temporary file %lld bytes, log %s, left beside it: %zu\n",
                    fraction * 100, point.seen, point.finished ? "patched (run ended)" : "intact",
                    left.size() - 1);

        const RunResult next = RunPatcher(scratch, {log});
        ASSERT_TRUE(next.exited && next.exitCode == 0) << next.output;
        ++headers;
        ASSERT_TRUE(HoldsHeadersAndPattern(log, headers, size, kSeed));
        EXPECT_EQ(ListNames(folder), std::vector<std::string>{"big.mrfy"})
            << "a killed run's temporary file outlived the next patch";
    }
    EXPECT_GE(midWrite, 20) << "too few kills landed while the new file was being written";
}

} // namespace
} // namespace mrfyc::faults
