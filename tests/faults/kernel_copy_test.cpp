// SPDX-License-Identifier: MIT
// The log's body is copied by the kernel in chunks. A chunk that fails keeps the old log; a kernel
// that cannot copy between the two files, or copies nothing, hands over to a copy through a buffer
// that must pick up exactly where the kernel stopped.
#include "tests/support/child_process.h"
#include "tests/support/expected_texts.h"
#include "tests/support/large_log.h"
#include "tests/support/linux/folder_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace mrfyc::test {
namespace {

constexpr std::uint64_t kSeed = 0x6b636f7079ull;
// Two full chunks of 8 MiB and a short third one, so first, middle and last differ.
constexpr std::uint64_t kSize = (std::uint64_t{20} << 20) + 13;

struct TracedLog
{
    std::string folder;
    std::string path;
    ino_t inode = 0;
};

ino_t InodeOf(const std::string &path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TracedLog MakeLog(const PatcherFolder &scratch)
{
    TracedLog log{scratch.Path("logs"), scratch.Path("logs/a.mrfy"), 0};
    ::mkdir(log.folder.c_str(), 0755);
    WritePattern(log.path, kSize, kSeed);
    log.inode = InodeOf(log.path);
    return log;
}

// Runs the patcher under strace with one injection; the trace shows which calls it hit.
ChildResult PatchInjected(const PatcherFolder &scratch, const TracedLog &log,
                          const std::string &inject, std::string &trace)
{
    const std::string traceFile = scratch.Path("trace");
    const std::vector<std::string> argv{"/usr/bin/strace",
                                        "-f",
                                        "-qq",
                                        "-o",
                                        traceFile,
                                        "-e",
                                        "trace=copy_file_range",
                                        "-e",
                                        "inject=copy_file_range:" + inject,
                                        scratch.Patcher(),
                                        log.path};
    const ChildResult run = RunChild(argv);
    trace = ReadFile(traceFile);
    return run;
}

// Results of the copy_file_range calls that really ran, in order.
std::vector<long long> CopiedPerCall(const std::string &trace)
{
    std::vector<long long> results;
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t equals = line.rfind(") = ");
        if (line.find("copy_file_range(") == std::string::npos || equals == std::string::npos ||
            line.find("INJECTED") != std::string::npos)
            continue;
        results.push_back(std::stoll(line.substr(equals + 4)));
    }
    return results;
}

int InjectedCount(const std::string &trace)
{
    int count = 0;
    for (std::size_t at = trace.find("(INJECTED)"); at != std::string::npos;
         at = trace.find("(INJECTED)", at + 1))
        ++count;
    return count;
}

class KernelCopy : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!StraceWorks())
            GTEST_SKIP() << "strace is not installed or may not trace here";
        ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1); // LeakSanitizer cannot run under ptrace
        m_log = MakeLog(m_scratch);
    }

    PatcherFolder m_scratch;
    TracedLog m_log;
};

TEST_F(KernelCopy, TheBodyGoesInChunksOfEightMiB)
{
    std::string trace;
    // An injection that never fires (no call number 1000) leaves the trace of a plain patch.
    const ChildResult run = PatchInjected(m_scratch, m_log, "error=EIO:when=1000", trace);
    ASSERT_TRUE(run.Exited() && run.ExitCode == 0) << run.Output();
    const std::vector<long long> expected{8 << 20, 8 << 20, (4 << 20) + 13};
    EXPECT_EQ(CopiedPerCall(trace), expected) << trace;
    EXPECT_TRUE(HoldsHeadersAndPattern(m_log.path, 1, kSize, kSeed));
}

// --- A chunk that fails ------------------------------------------------------------------------

struct FailedChunk
{
    const char *name;
    const char *error;
    int call; // 1-based
};

void PrintTo(const FailedChunk &test, std::ostream *out)
{
    *out << test.name;
}

class FailedKernelCopy : public KernelCopy, public ::testing::WithParamInterface<FailedChunk>
{
};

TEST_P(FailedKernelCopy, KeepsTheOldLogAndReportsTheWrite)
{
    const FailedChunk &test = GetParam();
    std::string trace;
    const ChildResult run = PatchInjected(
        m_scratch, m_log, std::string("error=") + test.error + ":when=" + std::to_string(test.call),
        trace);
    ASSERT_TRUE(run.Exited());
    ASSERT_EQ(InjectedCount(trace), 1) << "the failure was not injected\n" << trace;
    EXPECT_EQ(run.ExitCode, 1) << "a failed copy was reported as success\n" << run.Output();
    EXPECT_NE(run.Output().find(kWriteError), std::string::npos) << run.Output();
    EXPECT_TRUE(HoldsHeadersAndPattern(m_log.path, 0, kSize, kSeed));
    EXPECT_EQ(InodeOf(m_log.path), m_log.inode) << "the log was replaced";
    EXPECT_EQ(ListFolder(m_log.folder), std::vector<std::string>{"a.mrfy"});
}

INSTANTIATE_TEST_SUITE_P(Patcher, FailedKernelCopy,
                         ::testing::Values(FailedChunk{"FirstChunkEIO", "EIO", 1},
                                           FailedChunk{"MiddleChunkEIO", "EIO", 2},
                                           FailedChunk{"LastChunkEIO", "EIO", 3},
                                           FailedChunk{"FirstChunkENOSPC", "ENOSPC", 1},
                                           FailedChunk{"MiddleChunkENOSPC", "ENOSPC", 2},
                                           FailedChunk{"LastChunkENOSPC", "ENOSPC", 3},
                                           FailedChunk{"FileTooLarge", "EFBIG", 2}),
                         [](const auto &info) { return std::string(info.param.name); });

// --- The kernel cannot copy: the buffer takes over ---------------------------------------------

struct HandOver
{
    const char *name;
    const char *inject; // what copy_file_range answers, from which call on
};

void PrintTo(const HandOver &test, std::ostream *out)
{
    *out << test.name;
}

class KernelCopyHandOver : public KernelCopy, public ::testing::WithParamInterface<HandOver>
{
};

TEST_P(KernelCopyHandOver, TheBufferCopiesTheRestByteForByte)
{
    const HandOver &test = GetParam();
    std::string trace;
    const ChildResult run = PatchInjected(m_scratch, m_log, test.inject, trace);
    ASSERT_TRUE(run.Exited());
    // The hand-over happens once: a kernel that cannot copy is not asked again.
    ASSERT_EQ(InjectedCount(trace), 1) << trace;
    EXPECT_EQ(run.ExitCode, 0) << run.Output();
    EXPECT_TRUE(HoldsHeadersAndPattern(m_log.path, 1, kSize, kSeed))
        << "the copy through the buffer did not continue where the kernel stopped";
    EXPECT_EQ(ListFolder(m_log.folder), std::vector<std::string>{"a.mrfy"});
}

INSTANTIATE_TEST_SUITE_P(
    Patcher, KernelCopyHandOver,
    ::testing::Values(HandOver{"OtherFileSystemFromTheStart", "error=EXDEV:when=1+"},
                      HandOver{"NoSystemCall", "error=ENOSYS:when=1+"},
                      HandOver{"NotSupported", "error=EOPNOTSUPP:when=1+"},
                      HandOver{"InvalidForTheseFiles", "error=EINVAL:when=1+"},
                      HandOver{"OtherFileSystemAfterOneChunk", "error=EXDEV:when=2+"},
                      HandOver{"NothingCopiedFromTheStart", "retval=0:when=1+"},
                      HandOver{"NothingCopiedInTheLastChunk", "retval=0:when=3+"},
                      HandOver{"NothingCopiedInTheMiddle", "retval=0:when=2"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace mrfyc::test
