// SPDX-License-Identifier: MIT
// The patcher as a separate process, where a test needs what only a process can have: a file
// size limit, injected system call failures, another user, its own mount of a small disk.
#include "rules/header_settings.h"
#include "tests/support/child_process.h"
#include "tests/support/test_folder.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace mrfyc::test {
namespace {

const std::string kHeader = BuildHeaderText(THeaderSettings{});
constexpr std::size_t kLogSize = 3 * 1024 * 1024 + 1000; // four blocks with the header
constexpr uid_t kNobody = 65534;
// What the patcher prints after the log's path; {log}, {logs} and {scratch} stand for the log,
// its folder and "Temp.txt".
constexpr const char *kPatched = "修正しました";
constexpr const char *kWriteError = "ストリームへの書き込みエラー.";
constexpr const char *kReadError = "ストリームからの読み込みエラー.";

// The patcher is copied into the test folder: "Temp.txt" goes beside it, and other users can
// reach it there.
class PatchProcess : public testing::Test
{
protected:
    void SetUp() override
    {
        // The window's texts; the children inherit the locale.
        ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
        ASSERT_EQ(::mkdir(m_folder.Path("bin").c_str(), 0777), 0);
        ASSERT_EQ(::chmod(m_folder.Path("bin").c_str(), 0777), 0); // past the umask
        ASSERT_EQ(::mkdir(m_folder.Path("logs").c_str(), 0755), 0);
        WriteFile(Patcher(), ReadFile(MRFYC_PATCH_PATH), 0755);
        m_old = PatternBytes(kLogSize);
        WriteFile(Log(), m_old);
    }

    void TearDown() override { ::unsetenv("LC_ALL"); }

    std::string Patcher() const { return m_folder.Path("bin/mrfyc-patch"); }
    std::string Scratch() const { return m_folder.Path("bin/Temp.txt"); }
    std::string Log() const { return m_folder.Path("logs/x.mrfy"); }

    std::string Resolve(std::string text) const
    {
        const std::pair<std::string, std::string> tokens[] = {
            {"{log}", Log()}, {"{logs}", m_folder.Path("logs")}, {"{scratch}", Scratch()}};
        for (const auto &[token, path] : tokens)
            for (std::size_t at = 0; (at = text.find(token)) != std::string::npos;)
                text.replace(at, token.size(), path);
        return text;
    }

    // The words of command, tokens resolved, followed by the patcher and the log.
    ChildResult Patch(const std::string &command = "", std::optional<rlim_t> limit = {})
    {
        std::vector<std::string> argv;
        std::istringstream words(command);
        for (std::string word; words >> word;)
            argv.push_back(Resolve(word));
        argv.insert(argv.end(), {Patcher(), Log()});
        return RunChild(argv, limit);
    }

    // Whether command runs here at all: a container may refuse ptrace, setuid or mounts.
    static bool Works(const std::vector<std::string> &command)
    {
        return RunChild(command).ExitCode == 0;
    }

    // Why the patcher cannot run as nobody here, or "" when it can.
    std::string WhyNotAsNobody() const
    {
        if (::geteuid() != 0)
            return "needs root to switch users";
        return Works({"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "test",
                      "-x", Patcher()})
                   ? ""
                   : "setpriv cannot run the patcher as nobody here";
    }

    // Patched, with "Temp.txt" beside the patcher, or failed with the text and the old log
    // intact; no new file left either way.
    void ExpectOutcome(const ChildResult &result, const std::string &outcome)
    {
        const bool patched = outcome == kPatched;
        EXPECT_TRUE(!patched || ReadFile(Scratch()) == kHeader);
        EXPECT_EQ(result.ExitCode, patched ? 0 : 1);
        if (patched) {
            EXPECT_EQ(result.Out, Log() + ": " + outcome + "\n");
        } else {
            // A text that names the log stands alone; the system's reason is tested elsewhere.
            const bool namesLog = outcome.find("{log}") != std::string::npos;
            EXPECT_EQ(WithoutReason(result.Err),
                      "mrfyc-patch: " + (namesLog ? "" : Log() + ": ") + Resolve(outcome) + "\n");
        }
        EXPECT_EQ(patched ? result.Err : result.Out, "");
        EXPECT_TRUE(ReadFile(Log()) == (patched ? kHeader : "") + m_old) << "wrong log";
        EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
    }

    // The line without a trailing " (reason)".
    static std::string WithoutReason(const std::string &line)
    {
        const std::size_t open = line.rfind(" (");
        if (open == std::string::npos || !line.ends_with(")\n"))
            return line;
        return line.substr(0, open) + "\n";
    }

    TestFolder m_folder;
    std::string m_old;
};

// Byte counts beyond 32 bits, memory that does not grow with the log.
TEST_F(PatchProcess, LogOver2GiBWorksInLittleMemory)
{
    constexpr off_t kSize = (off_t{1} << 31) + 4096 + 3;
    struct statvfs disk = {};
    ASSERT_EQ(::statvfs(m_folder.Path().c_str(), &disk), 0);
    if (static_cast<double>(disk.f_bavail) * static_cast<double>(disk.f_frsize) < 3.0 * kSize)
        GTEST_SKIP() << "not enough free space for the new log";
    ASSERT_EQ(::truncate(Log().c_str(), kSize - 3), 0); // sparse beyond the pattern bytes
    std::ofstream(Log(), std::ios::binary | std::ios::app) << "END";
    const ChildResult result = Patch();
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_LT(result.MaxResidentKiB, 64 * 1024);
    const int log = ::open(Log().c_str(), O_RDONLY | O_CLOEXEC);
    std::string start(kHeader.size() + 4096, '\0');
    char end[4] = {};
    EXPECT_EQ(::pread(log, start.data(), start.size(), 0), static_cast<ssize_t>(start.size()));
    EXPECT_EQ(::pread(log, end, sizeof end, kSize + static_cast<off_t>(kHeader.size()) - 3), 3);
    ::close(log);
    EXPECT_TRUE(start == kHeader + m_old.substr(0, 4096));
    EXPECT_STREQ(end, "END");
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
}

// Two patches at once must not read each other's header from "Temp.txt": the second waits.
TEST_F(PatchProcess, WaitsWhileAnotherPatchUsesTheScratchFile)
{
    WriteFile(Scratch(), "");
    const int holder = ::open(Scratch().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const ChildResult waited = Patch("timeout 1");
    ::close(holder);
    EXPECT_EQ(waited.ExitCode, 124) << "the patch did not wait";
    EXPECT_TRUE(ReadFile(Log()) == m_old);
    EXPECT_EQ(ReadFile(Scratch()), "");
    EXPECT_EQ(Patch().ExitCode, 0);
}

// A lock that is never let go (another user's, even a shared one) must not hang the patch: after
// a bounded wait it fails as a scratch file that cannot be created.
TEST_F(PatchProcess, ScratchFileLockNeverLetGoEndsTheWait)
{
    WriteFile(Scratch(), "");
    const int holder = ::open(Scratch().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_SH), 0);
    const ChildResult result = Patch("timeout 60");
    ::close(holder);
    ExpectOutcome(result, "ファイル {scratch} を作成できません.");
    EXPECT_EQ(ReadFile(Scratch()), "");
}

// Without /proc the program's folder is found another way; the working folder (here the log's)
// never gets the scratch file. The patcher without sanitizers: they need /proc themselves.
TEST_F(PatchProcess, WithoutProcTheScratchFileStaysBesideTheProgram)
{
    if (::geteuid() != 0 || !Works({"unshare", "-m", "true"}))
        GTEST_SKIP() << "needs a private mount namespace (root and unshare)";
    const std::string plain = m_folder.Path("bin/mrfyc-patch-plain");
    WriteFile(plain, ReadFile(MRFYC_PLAIN_PATCH_PATH), 0755);
    const ChildResult result =
        RunChild({"unshare", "-m", "sh", "-c", "umount -l /proc && cd \"$1\" && exec \"$2\" \"$3\"",
                  "sh", m_folder.Path("logs"), plain, Log()});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, Log() + ": " + kPatched + "\n");
    EXPECT_EQ(ReadFile(Scratch()), kHeader);
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
    EXPECT_TRUE(ReadFile(Log()) == kHeader + m_old);
}

// Whatever address space is left, the patcher either cannot be loaded at all (the loader says
// so) or ends in order: patched, or the memory error with the log as it was. Never an abort. The
// limits step through the narrow band where start-up itself runs out.
TEST_F(PatchProcess, TightAddressSpaceEndsInOrder)
{
    const std::string plain = m_folder.Path("bin/mrfyc-patch-plain");
    WriteFile(plain, ReadFile(MRFYC_PLAIN_PATCH_PATH), 0755);
    const std::string log = m_folder.Path("logs/y.mrfy");
    int patched = 0;
    int refused = 0;
    for (int kib = 4096; kib <= 9216; kib += 16) {
        WriteFile(log, "old");
        const ChildResult result = RunChild({"sh", "-c", "ulimit -v \"$1\" && exec \"$2\" \"$3\"",
                                             "sh", std::to_string(kib), plain, log});
        SCOPED_TRACE("ulimit -v " + std::to_string(kib) + ": " + result.Err);
        const std::string contents = ReadFile(log);
        switch (result.ExitCode) {
        case 0:
            ++patched;
            EXPECT_EQ(contents, kHeader + "old");
            break;
        case 1:
            ++refused;
            EXPECT_TRUE(result.Err.find("メモリが足りません.") != std::string::npos ||
                        result.Err.find("メモリストリームの拡大中にメモリが足りなくなりました.") !=
                            std::string::npos);
            EXPECT_EQ(contents, "old");
            break;
        case 127: // the loader could not map the program's libraries
            EXPECT_EQ(contents, "old");
            break;
        default:
            ADD_FAILURE() << "exit " << result.ExitCode;
        }
    }
    EXPECT_GT(patched, 0) << "the limits never left enough memory";
    EXPECT_GT(refused, 0) << "the limits never ran the patcher out of memory";
}

struct RunCase
{
    const char *Name;
    const char *Strace; // strace's options, "" to run without
    std::optional<rlim_t> Limit;
    const char *Outcome;
};

class FailingRun : public PatchProcess, public testing::WithParamInterface<RunCase>
{
};

// A write cut short at any point, the scratch file included, and any failing call must leave the
// old log and give the failed step's text. strace -P counts only the calls on one file (or on
// descriptors of it), so "the second open of the scratch file" is exact.
TEST_P(FailingRun, GivesTheStepsErrorAndKeepsTheLog)
{
    const RunCase &row = GetParam();
    const std::string strace = *row.Strace ? std::string("strace -f -o /dev/null ") : "";
    if (!strace.empty() && !Works({"strace", "-f", "-o", "/dev/null", "true"}))
        GTEST_SKIP() << "strace is not installed or may not trace";
    ExpectOutcome(Patch(strace + row.Strace, row.Limit), row.Outcome);
}

// Writes of the whole run: 1 the scratch file, 2 the header of the new log; the kernel copies the
// body unless copy_file_range is refused, and then writes 3 to 15 are its 256 KiB blocks. The
// log is read by pread64 only in that case. Opens in the log's folder: 1 the folder, 2 the log for
// reading, 3 for writing, 4 the look for left-over files, 5 the new file.
INSTANTIATE_TEST_SUITE_P(
    Cases, FailingRun,
    testing::Values(
        RunCase{"LimitInScratchFile", "", 50, kWriteError},
        RunCase{"LimitInFirstBlock", "", 200, kWriteError},
        RunCase{"LimitInMiddle", "", kHeader.size() + kLogSize / 2, kWriteError},
        RunCase{"LimitAtLastByte", "", kHeader.size() + kLogSize - 1, kWriteError},
        RunCase{"LimitJustEnough", "", kHeader.size() + kLogSize, kPatched},
        RunCase{"ShortHeader", "-einject=write:retval=1:when=2", {}, kWriteError},
        RunCase{"ShortLastBlock",
                "-einject=copy_file_range:error=EXDEV -einject=write:retval=1:when=15",
                {},
                kWriteError},
        RunCase{"Fdatasync", "-einject=fdatasync:error=EIO", {}, kWriteError},
        RunCase{"Rename", "-einject=renameat:error=EIO", {}, kWriteError},
        RunCase{"Mode", "-einject=fchmod:error=EIO", {}, kWriteError},
        RunCase{"Owner", "-einject=fchown:error=EIO", {}, kWriteError},
        RunCase{"ScratchCreate",
                "-P {scratch} -einject=openat:error=EACCES:when=1",
                {},
                "ファイル {scratch} を作成できません."},
        RunCase{"ScratchOpen",
                "-P {scratch} -einject=openat:error=EACCES:when=2",
                {},
                "ファイル {scratch} は開けません."},
        RunCase{"ScratchEndsEarly", "-P {scratch} -einject=read:retval=0", {}, kReadError},
        RunCase{"LogOpen",
                "-P {logs} -einject=openat:error=EACCES:when=2",
                {},
                "ファイル {log} は開けません."},
        RunCase{"LogOpenForWriting",
                "-P {logs} -einject=openat:error=EROFS:when=3",
                {},
                "ファイル {log} を作成できません."},
        RunCase{"LogMiddleRead",
                "-P {log} -einject=copy_file_range:error=ENOSYS "
                "-einject=pread64:error=EIO:when=2",
                {},
                kReadError},
        RunCase{"LogEndsEarly",
                "-P {log} -einject=copy_file_range:error=ENOSYS "
                "-einject=pread64:retval=0:when=2",
                {},
                kReadError},
        RunCase{
            "NoUnnamedFiles", "-P {logs} -einject=openat:error=EOPNOTSUPP:when=5", {}, kPatched}),
    [](const testing::TestParamInfo<RunCase> &info) { return info.param.Name; });

struct NobodyCase
{
    const char *Name;
    mode_t Mode;
    bool OwnedByNobody;
    const char *Outcome;
    std::optional<rlim_t> Limit = {};
    mode_t LogsFolderMode = 0755; // root's: nobody rewrites in place
    const char *Strace = "";      // strace's options, "" to run without
};

class AsNobodyUser : public PatchProcess, public testing::WithParamInterface<NobodyCase>
{
};

// Someone who may write a log but not its folder, or who does not own the log, rewrites it in
// place; owner and mode stay, and a size limit fails before any byte moves.
TEST_P(AsNobodyUser, KeepsTheLogOrPatchesItWithOwnerAndMode)
{
    if (const std::string why = WhyNotAsNobody(); !why.empty())
        GTEST_SKIP() << why;
    const NobodyCase &row = GetParam();
    ASSERT_EQ(::chmod(m_folder.Path("logs").c_str(), row.LogsFolderMode), 0);
    ASSERT_TRUE(!row.OwnedByNobody || ::chown(Log().c_str(), kNobody, kNobody) == 0);
    ASSERT_EQ(::chmod(Log().c_str(), row.Mode), 0);
    const std::string strace = *row.Strace ? std::string("strace -f -o /dev/null ") : "";
    if (!strace.empty() && !Works({"strace", "-f", "-o", "/dev/null", "true"}))
        GTEST_SKIP() << "strace is not installed or may not trace";
    ExpectOutcome(
        Patch(strace + row.Strace + " setpriv --reuid=nobody --regid=nogroup --clear-groups",
              row.Limit),
        row.Outcome);
    struct stat status = {};
    ASSERT_EQ(::stat(Log().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, row.OwnedByNobody ? kNobody : 0);
    EXPECT_EQ(status.st_mode & 07777, row.Mode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AsNobodyUser,
    testing::Values(
        NobodyCase{"InPlaceSetuid", 06775, true, kPatched},
        NobodyCase{"InPlaceSizeLimit", 0644, true, kWriteError, kLogSize + 50},
        // Writing to a file one does not own is allowed, giving a new file its owner is not.
        NobodyCase{"SomeoneElsesLog", 0666, false, kPatched, {}, 0777},
        // A write by nobody would clear the bits, and only the owner may set them again.
        NobodyCase{
            "SomeoneElsesSetuidLog", 06666, false, "ファイル {log} を作成できません.", {}, 0777},
        // Reads of the move (four blocks, from the end) and writes (the four blocks, then the
        // header) failing at the first, a middle and the last: the move is undone.
        NobodyCase{"InPlaceFirstReadFails",
                   0644,
                   true,
                   kReadError,
                   {},
                   0755,
                   "-P {log} -einject=pread64:error=EIO:when=1"},
        NobodyCase{"InPlaceMiddleReadFails",
                   0644,
                   true,
                   kReadError,
                   {},
                   0755,
                   "-P {log} -einject=pread64:error=EIO:when=2"},
        NobodyCase{"InPlaceLastReadFails",
                   0644,
                   true,
                   kReadError,
                   {},
                   0755,
                   "-P {log} -einject=pread64:error=EIO:when=4"},
        NobodyCase{"InPlaceFirstWriteFails",
                   0644,
                   true,
                   kWriteError,
                   {},
                   0755,
                   "-P {log} -einject=pwrite64:error=EIO:when=1"},
        NobodyCase{"InPlaceMiddleWriteFails",
                   0644,
                   true,
                   kWriteError,
                   {},
                   0755,
                   "-P {log} -einject=pwrite64:error=EIO:when=2"},
        NobodyCase{"InPlaceLastWriteFails",
                   0644,
                   true,
                   kWriteError,
                   {},
                   0755,
                   "-P {log} -einject=pwrite64:error=EIO:when=4"},
        NobodyCase{"InPlaceHeaderWriteFails",
                   06775,
                   true,
                   kWriteError,
                   {},
                   0755,
                   "-P {log} -einject=pwrite64:error=EIO:when=5"},
        NobodyCase{"InPlaceFinalFlushFails",
                   0644,
                   true,
                   kWriteError,
                   {},
                   0755,
                   "-P {log} -einject=fdatasync:error=EIO:when=1"}),
    [](const testing::TestParamInfo<NobodyCase> &info) { return info.param.Name; });

// A private mount of a 1 MiB tmpfs, filled up, with the log in a folder of root's: nobody
// rewrites it in place. The log's size is a whole number of pages, so the header needs a page
// the disk does not have.
const char *const kFullDiskScript = R"sh(
set -u
disk=$1 patcher=$2 expected=$3
mount -t tmpfs -o size=1m tmpfs "$disk" 2>/dev/null || exit 77
mkdir "$disk/logs" && chmod 0755 "$disk/logs" && cp "$expected" "$disk/logs/x.mrfy" || exit 3
chown nobody "$disk/logs/x.mrfy" || exit 3
dd if=/dev/zero of="$disk/fill" bs=4096 2>/dev/null
setpriv --reuid=nobody --regid=nogroup --clear-groups "$patcher" "$disk/logs/x.mrfy"
echo "status=$?"
cmp -s "$disk/logs/x.mrfy" "$expected" && echo intact
ls -A "$disk/logs"
)sh";

TEST_F(PatchProcess, InPlaceOnAFullDiskFailsAndKeepsTheLog)
{
    if (const std::string why = WhyNotAsNobody(); !why.empty())
        GTEST_SKIP() << why;
    if (!Works({"unshare", "-m", "true"}))
        GTEST_SKIP() << "unshare is not installed or refused";
    ASSERT_EQ(::mkdir(m_folder.Path("disk").c_str(), 0755), 0);
    WriteFile(m_folder.Path("expected"), PatternBytes(200 * 4096), 0644);
    const ChildResult result =
        RunChild({"unshare", "-m", "sh", "-c", kFullDiskScript, "sh", m_folder.Path("disk"),
                  Patcher(), m_folder.Path("expected")});
    if (result.ExitCode == 77)
        GTEST_SKIP() << "no private mount allowed here";
    EXPECT_EQ(result.Out, "status=1\nintact\nx.mrfy\n") << result.Err;
    EXPECT_NE(result.Err.find(kWriteError), std::string::npos) << result.Err;
}

// The whole line in one language, the system's reason included: under a Japanese locale the C
// library's own Japanese text, under any other the untranslated one. The locale is built into
// the test folder, so the machine needs none of its own.
TEST_F(PatchProcess, ReasonFollowsTheLocale)
{
    const std::string locales = m_folder.Path("locales");
    ASSERT_EQ(::mkdir(locales.c_str(), 0755), 0);
    if (!Works({"localedef", "-i", "ja_JP", "-f", "UTF-8", locales + "/ja_JP.UTF-8"}))
        GTEST_SKIP() << "localedef cannot build ja_JP.UTF-8 here";
    ::setenv("LOCPATH", locales.c_str(), 1);
    const std::string missing = m_folder.Path("logs/missing.mrfy");
    const ChildResult japanese = RunChild({Patcher(), "--check", missing});
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    const ChildResult english = RunChild({Patcher(), "--check", missing});
    ::unsetenv("LOCPATH");
    EXPECT_EQ(japanese.ExitCode, 2);
    EXPECT_EQ(japanese.Err, "mrfyc-patch: ファイル " + missing +
                                " は開けません. (そのようなファイルやディレクトリはありません)\n");
    EXPECT_EQ(english.ExitCode, 2);
    EXPECT_EQ(english.Err,
              "mrfyc-patch: " + missing + ": cannot open (No such file or directory)\n");
}

} // namespace
} // namespace mrfyc::test
