// SPDX-License-Identifier: MIT
// A patch killed with SIGKILL at any moment leaves the log exactly as it was or exactly patched,
// and the next patch of that log works and leaves nothing else behind.
#include "files/log_replacement.h"
#include "tests/support/child_process.h"
#include "tests/support/expected_texts.h"
#include "tests/support/large_log.h"
#include "tests/support/linux/folder_files.h"
#include "tests/support/patch_run.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace mrfyc::test {
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
    long long size = -1;
    for (const OpenFile &file : OpenFiles(pid)) {
        if (file.Target.rfind(folder + "/", 0) != 0 || file.Target == log)
            continue;
        struct stat info
        {
        };
        if (::stat(file.Descriptor.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            size = std::max<long long>(size, info.st_size);
    }
    return size;
}

struct KillPoint
{
    long long target = 0;  // kill once the temporary file holds this many bytes; < 0: at once
    long long seen = -1;   // its size when the kill was sent; -1: none seen
    bool finished = false; // the patch ended before the point was reached
};

// The process that does the patch: the child itself, or the one strace started (strace also
// forks short-lived helpers of its own, so the program tells which).
pid_t PatchingProcess(pid_t child, const std::string &program, bool traced)
{
    return traced ? ChildRunning(child, program) : child;
}

// Watches the temporary file grow and kills the patch at the point. Busy polling on purpose: the
// file grows by a block every few hundred microseconds.
void KillAt(pid_t child, const std::string &program, bool traced, const std::string &folder,
            const std::string &log, KillPoint &point)
{
    const pid_t patcher = PatchingProcess(child, program, traced);
    int status = 0;
    for (;;) {
        if (patcher < 0 || ::waitpid(child, &status, WNOHANG) == child) {
            point.finished = true;
            return;
        }
        const long long size = TempSizeSeenIn(patcher, folder, log);
        if (point.target < 0 || size >= point.target) {
            point.seen = size;
            ::kill(patcher, SIGKILL);
            ::waitpid(child, &status, 0);
            return;
        }
    }
}

// Which openat call makes the unnamed new file; failing it with EOPNOTSUPP makes the patcher
// fall back to a named one, as on a file system without O_TMPFILE.
int UnnamedFileCall(const PatcherFolder &scratch, const std::string &log)
{
    const std::string trace = scratch.Path("trace");
    // Every later run finds "Temp.txt" and opens it to take its turn: so does this one.
    WriteFile(scratch.Scratch(), "");
    const ChildResult run = RunChild({"/usr/bin/strace", "-f", "-qq", "-o", trace, "-e",
                                      "trace=openat", scratch.Patcher(), log});
    if (!run.Exited() || run.ExitCode != 0)
        return -1;
    std::ifstream lines(trace);
    std::string line;
    int found = -1; // the last one: the scratch file's comes first
    for (int call = 1; std::getline(lines, line); ++call)
        if (line.find("O_TMPFILE") != std::string::npos)
            found = call;
    return found;
}

struct KillRun
{
    int headers = 0;  // headers the log holds now
    int midWrite = 0; // kills that landed while the new file was partly written
    int leftBehind = 0;
};

// Kills the patch of log at each fraction of its new size, checks the log, then patches it to the
// end and checks that nothing else is left in its folder.
void KillAtEach(const PatcherFolder &scratch, const std::vector<double> &fractions,
                const std::string &log, std::uint64_t size, const std::vector<std::string> &prefix,
                KillRun &run)
{
    const std::string folder = log.substr(0, log.rfind('/'));
    const std::string name = log.substr(folder.size() + 1);
    for (const double fraction : fractions) {
        const auto patched =
            static_cast<double>(size + (run.headers + 1) * ExpectedHeader().size());
        KillPoint point;
        point.target = fraction < 0 ? -1 : static_cast<long long>(fraction * patched);
        std::vector<std::string> argv = prefix;
        argv.push_back(scratch.Patcher());
        argv.push_back(log);
        ChildOptions quiet;
        quiet.CaptureOutput = false;
        KillAt(StartChild(argv, quiet).Pid, scratch.Patcher(), !prefix.empty(), folder, log, point);
        if (point.seen > 0 && point.seen < static_cast<long long>(patched))
            ++run.midWrite;

        const int found = CountHeadersBeforePattern(log, size, kSeed, run.headers + 1);
        ASSERT_TRUE(found == run.headers || found == run.headers + 1)
            << "killed at " << point.seen << " of " << patched << " bytes: the log holds "
            << FileSize(log) << " bytes that are neither the old log nor the patched one";
        run.headers = found;
        const std::size_t left = ListFolder(folder).size() - 1;
        run.leftBehind += static_cast<int>(left);
        std::printf("kill at %5.1f%%: new file %11lld bytes, log %s, files left beside it: %zu\n",
                    fraction * 100, point.seen, point.finished ? "patched (run ended)" : "intact",
                    left);

        const ChildResult next = RunPatcher(scratch, {log});
        ASSERT_TRUE(next.Exited() && next.ExitCode == 0) << next.Output();
        ++run.headers;
        EXPECT_EQ(ListFolder(folder), std::vector<std::string>{name})
            << "a killed run's temporary file outlived the next patch";
    }
    ASSERT_TRUE(HoldsHeadersAndPattern(log, run.headers, size, kSeed));
}

TEST(KilledMidWrite, LogIsOldOrPatchedAtEveryPointAndTheNextPatchCleansUp)
{
    PatcherFolder scratch;
    const std::string folder = scratch.Path("logs");
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

    KillRun run;
    KillAtEach(scratch, fractions, log, size, {}, run);
    EXPECT_GE(run.midWrite, 20) << "too few kills landed while the new file was being written";
}

// Without O_TMPFILE the new file has a name, and a kill leaves it behind; the next patch of the
// same log removes it.
TEST(KilledMidWrite, NamedNewFileLeftByAKillIsRemovedByTheNextPatch)
{
    if (!StraceWorks())
        GTEST_SKIP() << "strace is not installed or may not trace here";
    const std::string self = std::to_string(::getpid());
    if (::access(("/proc/" + self + "/task/" + self + "/children").c_str(), R_OK) != 0)
        GTEST_SKIP() << "this kernel does not list a process's children in /proc";
    ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1); // LeakSanitizer cannot run under ptrace
    PatcherFolder scratch;
    const std::string folder = scratch.Path("logs");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string log = folder + "/named.tmp";
    const std::uint64_t size = (64 << 20) + 3;
    WritePattern(log, size, kSeed);
    const int call = UnnamedFileCall(scratch, log);
    ASSERT_GT(call, 0) << "the patcher made no unnamed file";

    KillRun run;
    run.headers = 1; // the traced run above
    KillAtEach(scratch, {0.1, 0.3, 0.5, 0.7, 0.9, 1.0}, log, size,
               {"/usr/bin/strace", "-f", "-qq", "-o", "/dev/null", "-e",
                "inject=openat:error=EOPNOTSUPP:when=" + std::to_string(call)},
               run);
    EXPECT_GE(run.leftBehind, 5) << "the kills left no named file: the fallback was not taken";
}

// --- Rewritten in place: nobody may write the log but not its folder ----------------------------

class KilledInPlace : public PatchRun
{
protected:
    void SetUp() override
    {
        PatchRun::SetUp();
        if (std::string why = WhyNotAsNobody(); !why.empty() || !StraceWorks())
            GTEST_SKIP() << why << " / or strace cannot trace here";
        ASSERT_EQ(::chown(Log().c_str(), kNobody, kNobody), 0);
    }

    // The patcher as nobody, behind strace's words when there are any.
    ChildResult AsNobody(const std::string &option, std::vector<std::string> strace = {}) const
    {
        for (const char *word : {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"})
            strace.emplace_back(word);
        strace.insert(strace.end(), {Patcher(), option, Log()});
        return RunChild(strace);
    }

    // Whether the next run, a check or a patch that skips patched logs, first brings the log back
    // to old or new, byte for byte, and leaves no journal.
    void ExpectNextRunRecovers(bool check)
    {
        const ChildResult next = AsNobody(check ? "--check" : "--skip-patched");
        const std::string log = ReadFile(Log());
        const bool patched = log == ExpectedHeader() + m_old;
        EXPECT_TRUE(patched || (check && log == m_old)) << log.size() << " bytes, neither";
        EXPECT_EQ(next.ExitCode, check && patched ? 1 : 0) << next.Output();
        for (const std::string &name : ListFolder(m_folder.Path("bin")))
            EXPECT_EQ(name.find("journal"), std::string::npos) << name << " outlived the next run";
    }
};

// strace kills the patch at each write, sync, size change or removal of the log or the journal,
// that is at every block boundary; the next run mends what is left.
TEST_F(KilledInPlace, AtEveryCallTheNextRunFinishesOrUndoesTheRewrite)
{
    const std::string trace = m_folder.Path("trace");
    AsNobody("--", {"strace", "-f", "-qq", "-y", "-o", trace, "-e",
                    "trace=pwrite64,fdatasync,fsync,fallocate,ftruncate,fchmod,unlinkat"});
    std::istringstream lines(ReadFile(trace));
    std::map<std::string, int> counts;
    int damaged = 0;
    int kills = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t start = line.find_first_not_of(' ', line.find(' '));
        const std::size_t paren = line.find('(', start);
        const std::string name = line.substr(start, paren - start);
        const int occurrence = ++counts[name];
        if (line.find("<" + Log() + ">") == std::string::npos &&
            line.find("Temp.txt.journal-") == std::string::npos)
            continue;
        WriteFile(Log(), m_old);
        const std::string inject =
            "inject=" + name + ":signal=KILL:when=" + std::to_string(occurrence);
        const ChildResult killed =
            AsNobody("--", {"strace", "-f", "-qq", "-o", "/dev/null", "-e", inject});
        SCOPED_TRACE(inject);
        EXPECT_FALSE(killed.Exited()) << "the kill did not land";
        const std::string left = ReadFile(Log());
        damaged += left != m_old && left != ExpectedHeader() + m_old;
        ExpectNextRunRecovers(++kills % 2 == 0);
    }
    std::printf("%d kills, %d left the log neither old nor new\n", kills, damaged);
    EXPECT_GE(damaged, 10) << "too few kills landed while the contents were moving";
}

// Bytes the process has written so far, by any call.
long long BytesWritten(pid_t pid)
{
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    long long bytes = 0;
    while (io >> key >> bytes && key != "wchar:")
        bytes = 0;
    return bytes;
}

// Kills at random points of a larger log's rewrite (a fixed seed, so a failure repeats), taken
// by the bytes written (the log's and the journal's: each block twice): most land inside a
// block's write or a flush.
TEST_F(KilledInPlace, AtRandomPointsTheNextRunFinishesOrUndoesTheRewrite)
{
    m_old = PatternBytes(12 * LogReplacement::kBlockSize + 4321, 7);
    WriteFile(Log(), m_old);
    constexpr int kKills = 12;
    std::mt19937_64 random(kSeed);
    int damaged = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        WriteFile(Log(), m_old);
        const Child child = StartChild(
            {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", Patcher(), Log()});
        const long long target =
            2 * static_cast<long long>(m_old.size()) * (kill + 1) / (kKills + 1);
        siginfo_t ended = {};
        while (::waitid(P_PID, static_cast<id_t>(child.Pid), &ended, WEXITED | WNOHANG | WNOWAIT) ==
                   0 &&
               ended.si_pid == 0 && BytesWritten(child.Pid) < target) {
        }
        ::kill(child.Pid, SIGKILL);
        WaitChild(child, std::chrono::minutes(1));
        const std::string left = ReadFile(Log());
        damaged += left != m_old && left != ExpectedHeader() + m_old;
        ExpectNextRunRecovers(kill % 2 == 0);
    }
    std::printf("%d kills, %d left the log neither old nor new\n", kKills, damaged);
    EXPECT_GE(damaged, kKills / 2) << "too few kills landed while the contents were moving";
}

// An undo killed in its turn (a write into the log fails, then the kill lands while the blocks
// move back) is finished by the next run: the proof knows every state an undo leaves.
TEST_F(KilledInPlace, KilledWhileUndoingTheNextRunFinishesTheUndo)
{
    m_old = PatternBytes(9 * LogReplacement::kBlockSize + 1234, 5);
    int killed = 0;
    for (int flush = 10; flush <= 17; ++flush) {
        WriteFile(Log(), m_old);
        // The 14th write is the fourth block's into the log: the undo starts with that block.
        const ChildResult run =
            AsNobody("--", {"strace", "-f", "-qq", "-o", "/dev/null", "-e",
                            "inject=pwrite64:error=EIO:when=14", "-e",
                            "inject=fdatasync:signal=KILL:when=" + std::to_string(flush)});
        killed += !run.Exited();
        ExpectNextRunRecovers(true);
        EXPECT_TRUE(ReadFile(Log()) == m_old) << "killed at flush " << flush << ": not undone";
    }
    EXPECT_GE(killed, 6) << "too few kills landed while the rewrite was being undone";
}

// Recovery takes up only its own user's journals, and mends only the very file one names; a
// journal whose log was replaced stays, and the run says so.
TEST_F(KilledInPlace, RecoveryLeavesOtherUsersJournalsAndReplacedLogsAlone)
{
    // The third flush is the log's, after its first block has moved.
    AsNobody("--", {"strace", "-f", "-qq", "-o", "/dev/null", "-e",
                    "inject=fdatasync:signal=KILL:when=3"});
    const std::string damaged = ReadFile(Log());
    ASSERT_NE(damaged, m_old);
    RunChild({Patcher(), "--check", Log()});
    EXPECT_EQ(ReadFile(Log()), damaged) << "root took up nobody's journal";
    const std::string copy = m_folder.Path("logs/copy");
    WriteFile(copy, damaged);
    ASSERT_TRUE(::chown(copy.c_str(), kNobody, kNobody) == 0 &&
                std::rename(copy.c_str(), Log().c_str()) == 0);
    const ChildResult check = AsNobody("--check");
    EXPECT_EQ(ReadFile(Log()), damaged) << "another file under the log's name was changed";
    EXPECT_EQ(check.ExitCode, 3) << check.Output();
    EXPECT_EQ(check.Out, Log() + ": 中断された書き換えの復旧待ちです\n");
    EXPECT_NE(check.Err.find(Log() + ": 中断された書き換えの記録 "), std::string::npos)
        << check.Err;
    EXPECT_EQ(ListFolder(m_folder.Path("bin")).size(), 3U) << "the journal was not kept";
}

} // namespace
} // namespace mrfyc::test
