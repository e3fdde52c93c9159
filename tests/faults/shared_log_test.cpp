// SPDX-License-Identifier: MIT
// A log that others touch while it is patched: a writer appending to it, a second patcher at the
// same time.
#include "tests/support/child_process.h"
#include "tests/support/expected_texts.h"
#include "tests/support/large_log.h"
#include "tests/support/linux/folder_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace mrfyc::test {
namespace {

constexpr std::uint64_t kSeed = 0x736861726564ull;

// A 64 MiB log of known bytes in a folder of its own, with a patcher beside the scratch folder.
class SharedLog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        WritePattern(log, size, kSeed);
    }

    PatcherFolder scratch;
    const std::string folder = scratch.Path("logs");
    const std::string log = folder + "/chat.mrfy";
    const std::uint64_t size = 64 << 20;
};

// --- A writer appending while the log is patched ----------------------------------------------

constexpr std::size_t kRecord = 64;

std::string Record(std::uint64_t index)
{
    char text[kRecord + 1];
    std::snprintf(text, sizeof text, "record %020llu %034llu\n",
                  static_cast<unsigned long long>(index), static_cast<unsigned long long>(index));
    return std::string(text, kRecord);
}

// A chat client with its log open: appends records with O_APPEND until told to stop, counting the
// ones written in shared memory.
pid_t StartAppender(const std::string &log, std::atomic<std::uint64_t> *written,
                    std::atomic<bool> *stop)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
    for (std::uint64_t i = 0; fd >= 0 && !stop->load(); ++i) {
        const std::string record = Record(i);
        if (::write(fd, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
            ::_exit(1);
        written->store(i + 1);
    }
    ::_exit(fd >= 0 ? 0 : 1);
}

TEST_F(SharedLog, AppendedWhilePatchedKeepsEveryCopiedByteAndLosesOnlyLateAppends)
{

    void *shared = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto *written = new (shared) std::atomic<std::uint64_t>(0);
    auto *stop = new (static_cast<char *>(shared) + 64) std::atomic<bool>(false);
    const pid_t appender = StartAppender(log, written, stop);
    int status = 0;
    // Waits until the appender has written more than `count` records; false if it died.
    const auto appendedBeyond = [&](std::uint64_t count) {
        while (written->load() <= count) {
            if (::waitpid(appender, &status, WNOHANG) == appender)
                return false;
            std::this_thread::yield();
        }
        return true;
    };
    ASSERT_TRUE(appendedBeyond(0)) << "the appender could not write";

    const ChildResult run = RunPatcher(scratch, {log});
    // Keep appending a while after the patch, as the client would.
    const bool appending = appendedBeyond(written->load() + 1000);
    stop->store(true);
    if (appending)
        ::waitpid(appender, &status, 0);
    ASSERT_TRUE(appending) << "the appender stopped while the log was patched";
    const std::uint64_t total = written->load();
    ::munmap(shared, 4096);

    ASSERT_TRUE(run.Exited() && run.ExitCode == 0) << run.Output();
    // The patched log: the header, the old log, then whole-or-partial records in order.
    const std::string contents = ReadFile(log);
    ASSERT_GE(contents.size(), ExpectedHeader().size() + size);
    const std::string head = contents.substr(0, ExpectedHeader().size());
    EXPECT_EQ(head, ExpectedHeader());
    const std::string pattern = scratch.Path("pattern");
    WritePattern(pattern, size, kSeed);
    EXPECT_EQ(contents.compare(ExpectedHeader().size(), size, ReadFile(pattern)), 0);
    const std::uint64_t appended = contents.size() - ExpectedHeader().size() - size;
    std::string expected;
    for (std::uint64_t i = 0; expected.size() < appended; ++i)
        expected += Record(i);
    EXPECT_EQ(contents.compare(ExpectedHeader().size() + size, appended, expected, 0, appended), 0)
        << "appended records were torn or reordered";
    EXPECT_LE(appended, total * kRecord);
    std::printf("appender wrote %llu records (%llu bytes); the patched log kept %llu bytes of them,"
                " %llu bytes went to the replaced file\n",
                static_cast<unsigned long long>(total),
                static_cast<unsigned long long>(total * kRecord),
                static_cast<unsigned long long>(appended),
                static_cast<unsigned long long>(total * kRecord - appended));
    RecordProperty("appended_bytes_lost", std::to_string(total * kRecord - appended));
}

// --- Two patchers on one log at once ----------------------------------------------------------

TEST_F(SharedLog, TwoPatchersAtOnceEachReportedHeaderIsInTheLog)
{

    const Child a = StartChild({scratch.Patcher(), log});
    const Child b = StartChild({scratch.Patcher(), log});
    const ChildResult runA = WaitChild(a, std::chrono::seconds(120));
    const ChildResult runB = WaitChild(b, std::chrono::seconds(120));

    ASSERT_TRUE(runA.Exited() && runB.Exited());
    const int headers = CountHeadersBeforePattern(log, size, kSeed, 2);
    const int succeeded = (runA.ExitCode == 0) + (runB.ExitCode == 0);
    std::printf("two patchers at once: %d reported success, the log has %d header(s)\n", succeeded,
                headers);
    EXPECT_TRUE(headers == 1 || headers == 2) << "the log is neither 1 nor 2 headers + old log";
    EXPECT_EQ(ListFolder(folder), std::vector<std::string>{"chat.mrfy"});
    // Every "修正しました" stands for a header in the log; a patch that is told to have worked
    // must not be overwritten by one that read the log before it. One that cannot run beside
    // the other says the log cannot be opened, as a log locked against reading would.
    EXPECT_EQ(headers, succeeded) << runA.Output() << runB.Output();
    for (const ChildResult *run : {&runA, &runB})
        EXPECT_TRUE(run->ExitCode == 0 ||
                    run->Output().find(OpenErrorLine(log)) != std::string::npos)
            << run->Output();
}

// --- A newer version saved while the log is patched ---------------------------------------------

// How many descriptors of a process have path open.
int CountOpen(pid_t pid, const std::string &path)
{
    int count = 0;
    for (const OpenFile &file : OpenFiles(pid))
        count += file.Target == path ? 1 : 0;
    return count;
}

// Another program saves the log by renaming a new version over it while the patch copies the
// old one. The patch must not rename its copy of the old version over the new one. The rename
// comes once the patch has the log open for reading and for writing, that is when it copies;
// its flush is held back 5 s (strace), far longer than the rename takes.
TEST_F(SharedLog, NewerVersionSavedMeanwhileIsKept)
{
    if (!StraceWorks())
        GTEST_SKIP() << "strace is not installed or may not trace here";
    ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1); // LeakSanitizer cannot run under ptrace
    const std::string newer = folder + "/newer";
    WriteFile(newer, "the newer version");
    const Child tracer =
        StartChild({"/usr/bin/strace", "-f", "-qq", "-o", "/dev/null", "-e",
                    "inject=fdatasync:delay_enter=5000000", scratch.Patcher(), log});
    const pid_t patcher = ChildRunning(tracer.Pid, scratch.Patcher());
    ASSERT_GT(patcher, 0) << "the patcher did not start";
    bool opened = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(opened = CountOpen(patcher, log) >= 2) &&
           std::chrono::steady_clock::now() < deadline) {
    }
    ASSERT_TRUE(opened) << "the patcher never opened the log";
    ASSERT_EQ(std::rename(newer.c_str(), log.c_str()), 0);
    const ChildResult run = WaitChild(tracer, std::chrono::seconds(120));

    ASSERT_TRUE(run.Exited());
    EXPECT_EQ(run.ExitCode, 1) << run.Output();
    EXPECT_NE(run.Output().find(OpenErrorLine(log)), std::string::npos) << run.Output();
    EXPECT_TRUE(ReadFile(log) == "the newer version") << "the newer version was replaced";
    EXPECT_EQ(ListFolder(folder), std::vector<std::string>{"chat.mrfy"});
}

// --- The log's folder swapped during a patch --------------------------------------------------

// Someone who may rename folders on the way to the log swaps its folder for one of their own,
// with a file of the log's name in it, while the patch waits for the log's lock (held back 3 s by
// strace; the second flock of the run, after the scratch file's). The patch must go on with the
// file it opened, in the folder it now lies in, and never write into the other folder.
TEST(SwappedFolder, PatchStaysWithTheFileItOpened)
{
    if (!StraceWorks())
        GTEST_SKIP() << "strace is not installed or may not trace here";
    ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1); // LeakSanitizer cannot run under ptrace
    PatcherFolder scratch;
    const std::string folder = scratch.Path("d");
    const std::string moved = scratch.Path("moved");
    const std::uint64_t size = 1 << 20;
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    WritePattern(folder + "/a.mrfy", size, kSeed);
    const Child tracer = StartChild({"/usr/bin/strace", "-f", "-qq", "-o", "/dev/null", "-e",
                                     "inject=flock:delay_enter=3000000:when=2", scratch.Patcher(),
                                     folder + "/a.mrfy"});
    const pid_t patcher = ChildRunning(tracer.Pid, scratch.Patcher());
    ASSERT_GT(patcher, 0) << "the patcher did not start";
    bool opened = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(opened = CountOpen(patcher, folder + "/a.mrfy") >= 1) &&
           std::chrono::steady_clock::now() < deadline) {
    }
    ASSERT_TRUE(opened) << "the patcher never opened the log";
    ASSERT_EQ(std::rename(folder.c_str(), moved.c_str()), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    WriteFile(folder + "/a.mrfy", "someone else's file");
    const ChildResult run = WaitChild(tracer, std::chrono::seconds(120));

    ASSERT_TRUE(run.Exited());
    EXPECT_EQ(ReadFile(folder + "/a.mrfy"), "someone else's file") << run.Output();
    EXPECT_EQ(ListFolder(folder), std::vector<std::string>{"a.mrfy"});
    EXPECT_EQ(ListFolder(moved), std::vector<std::string>{"a.mrfy"});
    EXPECT_EQ(run.ExitCode, 0) << run.Output();
    EXPECT_TRUE(HoldsHeadersAndPattern(moved + "/a.mrfy", 1, size, kSeed));
}

} // namespace
} // namespace mrfyc::test
