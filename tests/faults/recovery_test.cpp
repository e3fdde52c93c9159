// SPDX-License-Identifier: MIT
// The journal of a rewrite in place never harms a good log: after a kill, recovery writes only into
// a file whose contents prove the state the rewrite left, finds that file again after its disk
// comes back under another device number, never hangs on a folder that does not answer, and never
// passes over a journal it cannot act on. As nobody, so that the log is rewritten in place.
#include "tests/support/child_process.h"
#include "tests/support/expected_texts.h"
#include "tests/support/patch_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mrfyc::test {
namespace {

constexpr std::string_view kNeedsRecovery = "中断された書き換えの復旧待ちです";

class Recovery : public PatchRun
{
protected:
    void SetUp() override
    {
        PatchRun::SetUp();
        if (std::string why = WhyNotAsNobody(); !why.empty() || !StraceWorks())
            GTEST_SKIP() << why << " / or strace cannot trace here";
        ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1); // LeakSanitizer cannot run under ptrace
    }

    void TearDown() override
    {
        for (const pid_t daemon : m_daemons)
            ::kill(daemon, SIGCONT);
        for (const std::string &mount : m_mounts)
            ::umount2(mount.c_str(), MNT_DETACH);
        for (const pid_t daemon : m_daemons)
            WaitChild({daemon}, std::chrono::seconds(10));
        for (const std::string &loop : m_loops)
            RunChild({"losetup", "-d", loop});
        PatchRun::TearDown();
    }

    // Mounts of this test stay in a namespace of its own; false where the system refuses one.
    static bool PrivateMounts()
    {
        return ::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }

    ChildResult AsNobody(std::vector<std::string> arguments, std::vector<std::string> wrap = {},
                         std::chrono::milliseconds timeout = std::chrono::minutes(1)) const
    {
        for (const char *word : {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"})
            wrap.emplace_back(word);
        wrap.push_back(Patcher());
        wrap.insert(wrap.end(), arguments.begin(), arguments.end());
        ChildOptions options;
        options.Timeout = timeout;
        return RunChild(wrap, options);
    }

    // Puts the old log at path for nobody and kills its patch once the first block has moved (at
    // the journal's flush of the second step); the log is then neither old nor new.
    std::string KillMidRewrite(const std::string &path)
    {
        WriteFile(path, m_old);
        EXPECT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
        const ChildResult killed =
            AsNobody({"--", Log()}, {"strace", "-f", "-qq", "-o", "/dev/null", "-e",
                                     "inject=fdatasync:signal=KILL:when=5"});
        EXPECT_FALSE(killed.Exited()) << "the kill did not land";
        const std::string left = ReadFile(path);
        EXPECT_TRUE(left != m_old && left != ExpectedHeader() + m_old) << "nothing had moved";
        return left;
    }

    std::vector<std::string> Journals() const
    {
        std::vector<std::string> journals;
        for (const std::string &name : ListFolder(m_folder.Path("bin")))
            if (name.starts_with("Temp.txt.journal-"))
                journals.push_back(name);
        return journals;
    }

    // The next run brought the log back to old or new and its journal is gone.
    void ExpectRecovered(const ChildResult &run, const std::string &path) const
    {
        const std::string log = ReadFile(path);
        const bool patched = log == ExpectedHeader() + m_old;
        EXPECT_TRUE(patched || log == m_old) << log.size() << " bytes, neither old nor new";
        EXPECT_EQ(run.ExitCode, patched ? 1 : 0) << run.Output();
        EXPECT_EQ(run.Err, "");
        EXPECT_EQ(Journals(), std::vector<std::string>{});
    }

    // The line that tells of the one journal that waits.
    std::string Waiting(std::string_view why) const
    {
        const std::vector<std::string> journals = Journals();
        return "mrfyc-patch: " + Log() + ": 中断された書き換えの記録 " + m_folder.Path("bin/") +
               (journals.empty() ? "(none)" : journals[0]) +
               " が残っています: " + std::string(why) + "\n";
    }

    // The run left the log byte for byte as it was, kept the journal and said why.
    void ExpectWaiting(const ChildResult &run, const std::string &left, std::string_view why) const
    {
        EXPECT_TRUE(ReadFile(Log()) == left) << "the log was written";
        EXPECT_EQ(run.ExitCode, 3) << run.Output();
        EXPECT_EQ(run.Out, Log() + ": " + std::string(kNeedsRecovery) + "\n");
        EXPECT_EQ(run.Err, Waiting(why));
    }

    std::vector<std::string> m_mounts;
    std::vector<std::string> m_loops;
    std::vector<pid_t> m_daemons; // FUSE file systems: ended by the unmount
};

// --- Restored from a backup after the kill: same inode, other contents ------------------------

struct RestoreCase
{
    const char *Name;
    std::string (*Backup)(const std::string &old);
    int CheckExit; // 0 or 1: taken as it is, the journal gone; 3: left alone, the journal waits
    std::string_view CheckSays;
};

class RestoredAfterKill : public Recovery, public testing::WithParamInterface<RestoreCase>
{
};

// A backup that is wholly the old or the patched contents needs nothing; any other file is left
// alone and the journal waits.
TEST_P(RestoredAfterKill, RecoveryWritesNothingIntoTheRestoredFile)
{
    KillMidRewrite(Log());
    const std::string backup = GetParam().Backup(m_old);
    WriteFile(Log(), backup); // cp over the log: the same inode
    auto bin = Snapshot(m_folder.Path("bin"));
    ASSERT_EQ(Journals().size(), 1U);
    const std::string journal = Journals()[0];
    const ChildResult check = AsNobody({"--check", Log()});
    EXPECT_TRUE(ReadFile(Log()) == backup) << "recovery wrote into the restored log";
    if (GetParam().CheckExit != 3)
        bin.erase(journal);
    EXPECT_EQ(Snapshot(m_folder.Path("bin")), bin) << "the program's folder changed otherwise";
    if (GetParam().CheckExit == 3) {
        ExpectWaiting(check, backup, GetParam().CheckSays);
        return;
    }
    EXPECT_EQ(check.ExitCode, GetParam().CheckExit) << check.Output();
    EXPECT_EQ(check.Out, Log() + ": " + std::string(GetParam().CheckSays) + "\n");
    EXPECT_EQ(check.Err, "");
    EXPECT_EQ(Journals(), std::vector<std::string>{});
}

constexpr std::string_view kLeftAlone =
    "書き換えが残した状態ではないため、ファイルには触れていません";

INSTANTIATE_TEST_SUITE_P(
    Backups, RestoredAfterKill,
    testing::Values(RestoreCase{"OldContents", [](const std::string &old) { return old; }, 0,
                                "ヘッダーはありません"},
                    RestoreCase{"PatchedContents",
                                [](const std::string &old) { return ExpectedHeader() + old; }, 1,
                                "ヘッダーがあります"},
                    RestoreCase{"OneRecordMore",
                                [](const std::string &old) { return old + "record 2\r\n"; }, 3,
                                kLeftAlone},
                    RestoreCase{"PatchedWithOtherValues",
                                [](const std::string &old) { return ExpectedHeader(800) + old; }, 3,
                                kLeftAlone}),
    [](const auto &info) { return std::string(info.param.Name); });

// --- The log's disk comes back under another device number ------------------------------------

TEST_F(Recovery, DiskBackUnderAnotherDeviceNumberIsStillRecovered)
{
    const std::string image = m_folder.Path("disk.img");
    const std::string logs = m_folder.Path("logs");
    if (!PrivateMounts() || !Works({"truncate", "-s", "64M", image}) ||
        !Works({"mkfs.ext4", "-q", "-F", image}))
        GTEST_SKIP() << "needs root, a private mount namespace and mkfs.ext4";
    // Each time on another loop device: the same disk under another device number.
    const auto plugIn = [&] {
        const ChildResult loop = RunChild({"losetup", "-f", "--show", image});
        m_loops.push_back(loop.Out.substr(0, loop.Out.find('\n')));
        return loop.ExitCode == 0 &&
               ::mount(m_loops.back().c_str(), logs.c_str(), "ext4", 0, nullptr) == 0;
    };
    if (!plugIn())
        GTEST_SKIP() << "no loop device here";
    m_mounts.push_back(logs);
    const std::string left = KillMidRewrite(Log());
    struct stat before = {};
    struct stat after = {};
    ASSERT_TRUE(::stat(Log().c_str(), &before) == 0 && ::umount(logs.c_str()) == 0 && plugIn());
    ASSERT_TRUE(::stat(Log().c_str(), &after) == 0 && after.st_dev != before.st_dev);
    ASSERT_TRUE(ReadFile(Log()) == left);

    ExpectRecovered(AsNobody({"--check", Log()}), Log());
}

// --- A journal that cannot be acted on is reported, never passed over ---------------------------

TEST_F(Recovery, ReadOnlyProgramFolderKeepsTheJournalAndSaysSo)
{
    if (!PrivateMounts())
        GTEST_SKIP() << "needs a private mount namespace";
    const std::string left = KillMidRewrite(Log());
    const std::string bin = m_folder.Path("bin");
    ASSERT_EQ(::mount(bin.c_str(), bin.c_str(), nullptr, MS_BIND, nullptr), 0);
    m_mounts.push_back(bin);
    ASSERT_EQ(::mount(nullptr, bin.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);
    const auto before = Snapshot(bin);

    ExpectWaiting(AsNobody({"--check", Log()}), left, "記録を書き込めないか、古い形式です");
    EXPECT_EQ(Snapshot(bin), before);
    const ChildResult patch = AsNobody({Log()});
    EXPECT_EQ(patch.ExitCode, 1);
    EXPECT_TRUE(ReadFile(Log()) == left) << "a header went onto the half-moved log";

    ASSERT_EQ(::umount(bin.c_str()), 0);
    ExpectRecovered(AsNobody({"--check", Log()}), Log());
}

// --- The log's folder stops answering: the run goes on ----------------------------------------

TEST_F(Recovery, FolderThatDoesNotAnswerHoldsUpNothing)
{
    const std::string real = m_folder.Path("real");
    const std::string logs = m_folder.Path("logs");
    if (::access("/dev/fuse", R_OK | W_OK) != 0 || !Works({"bindfs", "--version"}))
        GTEST_SKIP() << "needs FUSE and bindfs";
    ASSERT_TRUE(::mkdir(real.c_str(), 0755) == 0 && ::unlink(Log().c_str()) == 0); // FUSE: empty
    ChildOptions quiet;
    quiet.CaptureOutput = false;
    const Child bindfs = StartChild({"bindfs", "-f", real, logs}, quiet);
    m_daemons.push_back(bindfs.Pid);
    m_mounts.push_back(logs);
    if (!Works(
            {"timeout", "20", "sh", "-c", "until mountpoint -q \"$0\"; do sleep 0.1; done", logs}))
        GTEST_SKIP() << "bindfs could not mount here";
    const std::string left = KillMidRewrite(real + "/x.mrfy");
    const std::string local = m_folder.Path("local.mrfy");
    WriteFile(local, m_old);

    ::kill(bindfs.Pid, SIGSTOP);
    const auto start = std::chrono::steady_clock::now();
    const ChildResult check = AsNobody({"--check", local}, {}, std::chrono::seconds(30));
    const auto took = std::chrono::steady_clock::now() - start;
    ::kill(bindfs.Pid, SIGCONT);
    EXPECT_FALSE(check.TimedOut) << "the run hung on the folder that does not answer";
    EXPECT_LT(took, std::chrono::seconds(10));
    EXPECT_EQ(check.ExitCode, 0);
    EXPECT_EQ(check.Out, local + ": ヘッダーはありません\n");
    EXPECT_EQ(check.Err, Waiting("フォルダーが応答しないか、見つかりません"));
    EXPECT_TRUE(ReadFile(real + "/x.mrfy") == left && ReadFile(local) == m_old);

    ExpectRecovered(AsNobody({"--check", Log()}), real + "/x.mrfy");
}

// --- A writer appends while the patch prepares: its record stays whole --------------------------

TEST_F(Recovery, RecordAppendedWhileTheJournalIsMadeStaysWhole)
{
    ASSERT_EQ(::chown(Log().c_str(), kNobody, kNobody), 0);
    // Every folder flush held for a while: the journal's comes between the look at the log's
    // size and the claim of its room.
    ChildOptions options;
    options.Timeout = std::chrono::minutes(1);
    const Child patch = StartChild({"strace", "-f", "-qq", "-o", "/dev/null", "-e",
                                    "inject=fsync:delay_exit=2000000", "setpriv", "--reuid=nobody",
                                    "--regid=nogroup", "--clear-groups", Patcher(), Log()},
                                   options);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Journals().empty() && std::chrono::steady_clock::now() < until) {
    }
    ASSERT_FALSE(Journals().empty()) << "the patch made no journal";
    const std::string record = PatternBytes(300, 9);
    const int writer = ::open(Log().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_EQ(::write(writer, record.data(), record.size()), 300);
    ::close(writer);
    const ChildResult result = WaitChild(patch, std::chrono::minutes(1));
    EXPECT_EQ(result.ExitCode, 0) << result.Output();
    EXPECT_EQ(result.Out, Log() + ": " + std::string(kPatched) + "\n");
    EXPECT_TRUE(ReadFile(Log()) == ExpectedHeader() + m_old + record)
        << "the record was cut or lost";
    EXPECT_EQ(Journals(), std::vector<std::string>{});
}

} // namespace
} // namespace mrfyc::test
