// The patcher as a separate process, where a test needs what only a process can have: a file
// size limit, injected system call failures, another user, its own mount of a small disk.
#include "core/header_settings.h"
#include "tests/core/child_process.h"
#include "tests/core/test_folder.h"

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace mrfyc {
namespace {

using test::Exists;
using test::ListFolder;
using test::PatternBytes;
using test::ReadFile;
using test::RunChild;
using test::TChildResult;
using test::WriteFile;

const std::string kHeader = BuildHeaderText(THeaderSettings{});
constexpr std::size_t kLogSize = 3 * 1024 * 1024 + 1000; // four blocks with the header
constexpr uid_t kNobody = 65534;
constexpr const char *kWriteError = "ストリームへの書き込みエラー.";

// The patcher is copied into the test folder: "Temp.txt" goes beside it, and other users can
// reach it there.
class PatchProcess : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(::mkdir(m_folder.Path("bin").c_str(), 0777), 0);
        ASSERT_EQ(::chmod(m_folder.Path("bin").c_str(), 0777), 0); // past the umask
        ASSERT_EQ(::mkdir(m_folder.Path("logs").c_str(), 0755), 0);
        WriteFile(Patcher(), ReadFile(MRFYC_PATCH_PATH), 0755);
        m_old = PatternBytes(kLogSize);
        WriteFile(Log(), m_old);
    }

    std::string Patcher() const { return m_folder.Path("bin/mrfyc-patch"); }
    std::string Log() const { return m_folder.Path("logs/x.mrfy"); }

    TChildResult Patch(std::vector<std::string> prefix = {}, test::TChildOptions options = {})
    {
        prefix.push_back(Patcher());
        prefix.push_back(Log());
        return RunChild(prefix, options);
    }

    static std::vector<std::string> AsNobody()
    {
        return {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    }

    // Whether command runs here at all: a container may refuse ptrace, setuid or mounts.
    static bool Works(std::vector<std::string> command)
    {
        return test::HasProgram(command.front()) && RunChild(command).ExitCode == 0;
    }

    // Why the patcher cannot run as nobody here, or "" when it can.
    std::string WhyNotAsNobody() const
    {
        if (::geteuid() != 0)
            return "needs root to switch users";
        std::vector<std::string> probe = AsNobody();
        probe.insert(probe.end(), {"test", "-x", Patcher()});
        return Works(probe) ? "" : "setpriv cannot run the patcher as nobody here";
    }

    void ExpectFailedAndIntact(const TChildResult &result, const std::string &text)
    {
        EXPECT_EQ(result.ExitCode, 1);
        EXPECT_EQ(result.Out, "");
        EXPECT_EQ(result.Err, Log() + ": " + text + "\n");
        EXPECT_TRUE(ReadFile(Log()) == m_old) << "the old log changed";
        EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
    }

    test::TestFolder m_folder;
    std::string m_old;
};

TEST_F(PatchProcess, ExitStatusTellsWhetherEveryFileWasPatched)
{
    WriteFile(m_folder.Path("logs/y.tmp"), "y");
    const TChildResult patched =
        RunChild({Patcher(), "--width", "800", Log(), m_folder.Path("logs/y.tmp")});
    EXPECT_EQ(patched.ExitCode, 0);
    EXPECT_EQ(patched.Err, "");
    const std::string header = BuildHeaderText({800, 1200, 6000, 1});
    EXPECT_EQ(ReadFile(m_folder.Path("bin/Temp.txt")), header);
    EXPECT_EQ(ReadFile(m_folder.Path("logs/y.tmp")), header + "y");

    const TChildResult failed = RunChild({Patcher(), m_folder.Path("logs/y.tmp"), "missing.tmp"});
    EXPECT_EQ(failed.ExitCode, 1);
    EXPECT_EQ(failed.Out, m_folder.Path("logs/y.tmp") + ": 修正しました\n");
    EXPECT_EQ(failed.Err, "missing.tmp: ファイル missing.tmp は開けません.\n");

    const TChildResult usage = RunChild({Patcher(), "--quality", "0", Log()});
    EXPECT_EQ(usage.ExitCode, 2);
    EXPECT_EQ(ReadFile(Log()), header + m_old);
}

// Byte counts beyond 32 bits, memory that does not grow with the log.
TEST_F(PatchProcess, LogOver2GiBWorksInLittleMemory)
{
    constexpr off_t kSize = (off_t{1} << 31) + 4096 + 3;
    struct statvfs disk = {};
    ASSERT_EQ(::statvfs(m_folder.Path().c_str(), &disk), 0);
    if (static_cast<double>(disk.f_bavail) * static_cast<double>(disk.f_frsize) < 3.0 * kSize)
        GTEST_SKIP() << "not enough free space for the new log";
    ASSERT_EQ(::truncate(Log().c_str(), kSize), 0); // sparse beyond the pattern bytes
    {
        std::FILE *log = std::fopen(Log().c_str(), "r+b");
        ASSERT_NE(log, nullptr);
        ASSERT_EQ(::fseeko(log, kSize - 3, SEEK_SET), 0);
        ASSERT_EQ(std::fwrite("END", 1, 3, log), 3u);
        ASSERT_EQ(std::fclose(log), 0);
    }
    const TChildResult result = Patch();
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_LT(result.MaxResidentKiB, 64 * 1024);

    struct stat status = {};
    ASSERT_EQ(::stat(Log().c_str(), &status), 0);
    EXPECT_EQ(status.st_size, kSize + static_cast<off_t>(kHeader.size()));
    std::FILE *log = std::fopen(Log().c_str(), "rb");
    ASSERT_NE(log, nullptr);
    std::string start(kHeader.size() + 4096, '\0');
    EXPECT_EQ(std::fread(start.data(), 1, start.size(), log), start.size());
    char end[3] = {};
    EXPECT_EQ(::fseeko(log, -3, SEEK_END), 0);
    EXPECT_EQ(std::fread(end, 1, 3, log), 3u);
    std::fclose(log);
    EXPECT_TRUE(start == kHeader + m_old.substr(0, 4096));
    EXPECT_EQ(std::string_view(end, 3), "END");
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
}

// Two patches at once must not read each other's header from "Temp.txt": the second waits.
TEST_F(PatchProcess, WaitsWhileAnotherPatchUsesTheScratchFile)
{
    WriteFile(m_folder.Path("bin/Temp.txt"), "");
    const int holder = ::open(m_folder.Path("bin/Temp.txt").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const TChildResult waited = Patch({"timeout", "1"});
    ::close(holder);
    EXPECT_EQ(waited.ExitCode, 124) << "the patch did not wait";
    EXPECT_TRUE(ReadFile(Log()) == m_old);
    EXPECT_EQ(ReadFile(m_folder.Path("bin/Temp.txt")), "");
    EXPECT_EQ(Patch().ExitCode, 0);
}

struct TLimitCase
{
    const char *Name;
    rlim_t Limit;
    bool Patched;
};

class SizeLimit : public PatchProcess, public testing::WithParamInterface<TLimitCase>
{
};

// A write cut short at any point, the scratch file included, must leave the old log.
TEST_P(SizeLimit, FailsTheWriteAndKeepsTheLog)
{
    const TChildResult result = Patch({}, {.FileSizeLimit = GetParam().Limit});
    if (GetParam().Patched) {
        EXPECT_EQ(result.ExitCode, 0) << result.Err;
        EXPECT_EQ(ReadFile(Log()), kHeader + m_old);
    } else {
        ExpectFailedAndIntact(result, kWriteError);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SizeLimit,
    testing::Values(TLimitCase{"ScratchFile", 50, false}, TLimitCase{"FirstBlock", 200, false},
                    TLimitCase{"Middle", kHeader.size() + kLogSize / 2, false},
                    TLimitCase{"LastByte", kHeader.size() + kLogSize - 1, false},
                    TLimitCase{"JustEnough", kHeader.size() + kLogSize, true}),
    [](const testing::TestParamInfo<TLimitCase> &info) { return info.param.Name; });

struct TInjectCase
{
    const char *Name;
    const char *Inject;
};

class InjectedFailure : public PatchProcess, public testing::WithParamInterface<TInjectCase>
{
};

TEST_P(InjectedFailure, KeepsTheLogAndLeavesNoNewFile)
{
    if (!Works({"strace", "-f", "-o", "/dev/null", "true"}))
        GTEST_SKIP() << "strace is not installed or may not trace";
    const TChildResult result = Patch(
        {"strace", "-f", "-o", "/dev/null", std::string("-e") + "inject=" + GetParam().Inject});
    ExpectFailedAndIntact(result, kWriteError);
}

// Writes: 1 the scratch file, 2 to 5 the four blocks of the new log.
INSTANTIATE_TEST_SUITE_P(Calls, InjectedFailure,
                         testing::Values(TInjectCase{"ScratchWrite", "write:error=ENOSPC:when=1"},
                                         TInjectCase{"FirstBlock", "write:error=ENOSPC:when=2"},
                                         TInjectCase{"MiddleBlock", "write:error=ENOSPC:when=3"},
                                         TInjectCase{"LastBlock", "write:error=ENOSPC:when=5"},
                                         TInjectCase{"ShortLastBlock", "write:retval=1:when=5"},
                                         TInjectCase{"Fdatasync", "fdatasync:error=EIO"},
                                         TInjectCase{"Rename", "renameat:error=EIO"},
                                         TInjectCase{"Link", "linkat:error=EIO"},
                                         TInjectCase{"Mode", "fchmod:error=EIO"},
                                         TInjectCase{"Owner", "fchown:error=EIO"}),
                         [](const testing::TestParamInfo<TInjectCase> &info) {
                             return info.param.Name;
                         });

enum class Watched
{
    Scratch,
    Log,
    LogFolder
};

enum class Expected
{
    Patched,
    ScratchCreateError,
    ScratchOpenError,
    LogOpenError,
    LogCreateError,
    ReadError
};

struct TPathInjectCase
{
    const char *Name;
    Watched Path;
    const char *Inject;
    Expected Outcome;
};

class InjectedOnOnePath : public PatchProcess, public testing::WithParamInterface<TPathInjectCase>
{
protected:
    std::string WatchedPath() const
    {
        switch (GetParam().Path) {
        case Watched::Scratch:
            return m_folder.Path("bin/Temp.txt");
        case Watched::Log:
            return Log();
        case Watched::LogFolder:
            break;
        }
        return m_folder.Path("logs");
    }

    std::string ExpectedText() const
    {
        const std::string scratch = m_folder.Path("bin/Temp.txt");
        switch (GetParam().Outcome) {
        case Expected::ScratchCreateError:
            return "ファイル " + scratch + " を作成できません.";
        case Expected::ScratchOpenError:
            return "ファイル " + scratch + " は開けません.";
        case Expected::LogOpenError:
            return "ファイル " + Log() + " は開けません.";
        case Expected::LogCreateError:
            return "ファイル " + Log() + " を作成できません.";
        case Expected::ReadError:
            return "ストリームからの読み込みエラー.";
        case Expected::Patched:
            break;
        }
        return "修正しました";
    }
};

// strace -P counts only the calls on one file (or on descriptors of it), so "the second open of
// the scratch file" is exact.
TEST_P(InjectedOnOnePath, GivesTheStepsErrorAndKeepsTheLog)
{
    if (!Works({"strace", "-f", "-o", "/dev/null", "true"}))
        GTEST_SKIP() << "strace is not installed or may not trace";
    const TChildResult result = Patch({"strace", "-f", "-o", "/dev/null", "-P", WatchedPath(),
                                       std::string("-einject=") + GetParam().Inject});
    if (GetParam().Outcome == Expected::Patched) {
        EXPECT_EQ(result.ExitCode, 0) << result.Err;
        EXPECT_TRUE(ReadFile(Log()) == kHeader + m_old);
        EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
    } else {
        ExpectFailedAndIntact(result, ExpectedText());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, InjectedOnOnePath,
    testing::Values(
        TPathInjectCase{"ScratchCreate", Watched::Scratch, "openat:error=EACCES:when=1",
                        Expected::ScratchCreateError},
        TPathInjectCase{"ScratchOpen", Watched::Scratch, "openat:error=EACCES:when=2",
                        Expected::ScratchOpenError},
        TPathInjectCase{"ScratchRead", Watched::Scratch, "read:error=EIO", Expected::ReadError},
        TPathInjectCase{"ScratchEndsEarly", Watched::Scratch, "read:retval=0", Expected::ReadError},
        TPathInjectCase{"LogOpen", Watched::Log, "openat:error=EACCES:when=1",
                        Expected::LogOpenError},
        TPathInjectCase{"LogOpenForWriting", Watched::Log, "openat:error=EROFS:when=2",
                        Expected::LogCreateError},
        TPathInjectCase{"LogFirstRead", Watched::Log, "read:error=EIO:when=1", Expected::ReadError},
        TPathInjectCase{"LogMiddleRead", Watched::Log, "read:error=EIO:when=2",
                        Expected::ReadError},
        TPathInjectCase{"LogEndsEarly", Watched::Log, "read:retval=0:when=2", Expected::ReadError},
        // Opens in the folder: 1 the look for left-over files, 2 the new file.
        TPathInjectCase{"NewFileNoSpace", Watched::LogFolder, "openat:error=ENOSPC:when=2",
                        Expected::LogCreateError},
        TPathInjectCase{"NoUnnamedFiles", Watched::LogFolder, "openat:error=EOPNOTSUPP:when=2",
                        Expected::Patched}),
    [](const testing::TestParamInfo<TPathInjectCase> &info) { return info.param.Name; });

class InPlace : public PatchProcess, public testing::WithParamInterface<mode_t>
{
};

// A folder nobody may write into: the log is rewritten in place, and keeps owner and mode.
TEST_P(InPlace, RewritesTheLogWhenItsFolderIsReadOnly)
{
    if (const std::string why = WhyNotAsNobody(); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(::chown(Log().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(Log().c_str(), GetParam()), 0);
    const TChildResult result = Patch(AsNobody());
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, Log() + ": 修正しました\n");
    EXPECT_TRUE(ReadFile(Log()) == kHeader + m_old);
    struct stat status = {};
    ASSERT_EQ(::stat(Log().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, kNobody);
    EXPECT_EQ(status.st_mode & 07777, GetParam());
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
}

INSTANTIATE_TEST_SUITE_P(Modes, InPlace, testing::Values(0644, 0600, 04755, 06775));

TEST_F(InPlace, SizeLimitFailsBeforeAnyByteMoves)
{
    if (const std::string why = WhyNotAsNobody(); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(::chown(Log().c_str(), kNobody, kNobody), 0);
    ExpectFailedAndIntact(Patch(AsNobody(), {.FileSizeLimit = kLogSize + 50}), kWriteError);
}

// Writing to a file one does not own is allowed, giving a new file its owner is not.
TEST_F(InPlace, KeepsTheOwnerOfAWritableLogSomeoneElseOwns)
{
    if (const std::string why = WhyNotAsNobody(); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(::chmod(m_folder.Path("logs").c_str(), 0777), 0);
    ASSERT_EQ(::chmod(Log().c_str(), 0666), 0);
    const TChildResult result = Patch(AsNobody());
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    struct stat status = {};
    ASSERT_EQ(::stat(Log().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 0u);
    EXPECT_TRUE(ReadFile(Log()) == kHeader + m_old);
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
}

TEST_F(InPlace, ReadOnlyLogInReadOnlyFolderCannotBeCreated)
{
    if (const std::string why = WhyNotAsNobody(); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(::chown(Log().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(Log().c_str(), 0444), 0);
    ExpectFailedAndIntact(Patch(AsNobody()), "ファイル " + Log() + " を作成できません.");
}

TEST_F(PatchProcess, UnwritableProgramDirectoryNamesTheScratchFile)
{
    if (const std::string why = WhyNotAsNobody(); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(::chmod(m_folder.Path("bin").c_str(), 0755), 0);
    ASSERT_EQ(::chown(Log().c_str(), kNobody, kNobody), 0);
    ExpectFailedAndIntact(Patch(AsNobody()),
                          "ファイル " + m_folder.Path("bin/Temp.txt") + " を作成できません.");
    EXPECT_FALSE(Exists(m_folder.Path("bin/Temp.txt")));
}

// A private mount of a 1 MiB tmpfs, filled up. The log's size is a whole number of pages, so
// the header needs a page the disk does not have.
const char *const kFullDiskScript = R"sh(
set -u
disk=$1 patcher=$2 expected=$3
mount -t tmpfs -o size=1m tmpfs "$disk" 2>/dev/null || exit 77
mkdir "$disk/logs" && chmod 0755 "$disk/logs" && cp "$expected" "$disk/logs/x.mrfy" || exit 3
chown nobody "$disk/logs/x.mrfy" || exit 3
dd if=/dev/zero of="$disk/fill" bs=4096 2>/dev/null
if [ "$4" = nobody ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$patcher" "$disk/logs/x.mrfy"
else
    "$patcher" "$disk/logs/x.mrfy"
fi
echo "status=$?"
cmp -s "$disk/logs/x.mrfy" "$expected" && echo intact
ls -A "$disk/logs"
)sh";

class FullDisk : public PatchProcess, public testing::WithParamInterface<const char *>
{
};

TEST_P(FullDisk, FailsTheWriteAndKeepsTheLog)
{
    if (const std::string why = WhyNotAsNobody(); !why.empty())
        GTEST_SKIP() << why;
    if (!Works({"unshare", "-m", "true"}))
        GTEST_SKIP() << "unshare is not installed or refused";
    ASSERT_EQ(::mkdir(m_folder.Path("disk").c_str(), 0755), 0);
    WriteFile(m_folder.Path("expected"), PatternBytes(200 * 4096), 0644);
    const TChildResult result =
        RunChild({"unshare", "-m", "sh", "-c", kFullDiskScript, "sh", m_folder.Path("disk"),
                  Patcher(), m_folder.Path("expected"), GetParam()});
    if (result.ExitCode == 77)
        GTEST_SKIP() << "no private mount allowed here";
    EXPECT_EQ(result.Out, "status=1\nintact\nx.mrfy\n") << result.Err;
    EXPECT_NE(result.Err.find(std::string(": ") + kWriteError), std::string::npos) << result.Err;
}

// root replaces through a new file, nobody rewrites in place (its folder is root's).
INSTANTIATE_TEST_SUITE_P(Users, FullDisk, testing::Values("root", "nobody"));

} // namespace
} // namespace mrfyc
