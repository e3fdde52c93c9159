// The patcher as a separate process, where a test needs what only a process can have: a file
// size limit, injected system call failures, another user, its own mount of a small disk.
#include "core/header_settings.h"
#include "tests/core/child_process.h"
#include "tests/core/test_folder.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace mrfyc::test {
namespace {

const std::string kHeader = BuildHeaderText(THeaderSettings{});
constexpr std::size_t kLogSize = 3 * 1024 * 1024 + 1000; // four blocks with the header
constexpr uid_t kNobody = 65534;

enum class Expected
{
    Patched,
    WriteError,
    ReadError,
    ScratchCreateError,
    ScratchOpenError,
    LogOpenError,
    LogCreateError
};

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
    std::string Scratch() const { return m_folder.Path("bin/Temp.txt"); }
    std::string Log() const { return m_folder.Path("logs/x.mrfy"); }

    TChildResult Patch(std::vector<std::string> prefix = {}, TChildOptions options = {})
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
        return HasProgram(command.front()) && RunChild(command).ExitCode == 0;
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

    std::string Text(Expected outcome) const
    {
        switch (outcome) {
        case Expected::WriteError:
            return "ストリームへの書き込みエラー.";
        case Expected::ReadError:
            return "ストリームからの読み込みエラー.";
        case Expected::ScratchCreateError:
            return "ファイル " + Scratch() + " を作成できません.";
        case Expected::ScratchOpenError:
            return "ファイル " + Scratch() + " は開けません.";
        case Expected::LogOpenError:
            return "ファイル " + Log() + " は開けません.";
        case Expected::LogCreateError:
            return "ファイル " + Log() + " を作成できません.";
        case Expected::Patched:
            break;
        }
        return "";
    }

    // Patched, or failed with the text and the old log intact; no new file left either way.
    void ExpectOutcome(const TChildResult &result, Expected outcome)
    {
        const bool patched = outcome == Expected::Patched;
        EXPECT_EQ(result.ExitCode, patched ? 0 : 1);
        EXPECT_EQ(result.Out, patched ? Log() + ": 修正しました\n" : "");
        EXPECT_EQ(result.Err, patched ? "" : Log() + ": " + Text(outcome) + "\n");
        EXPECT_TRUE(ReadFile(Log()) == (patched ? kHeader : "") + m_old) << "wrong log";
        EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
    }

    TestFolder m_folder;
    std::string m_old;
};

TEST_F(PatchProcess, PatchesEveryFileAndWritesTheScratchFileBesideItself)
{
    WriteFile(m_folder.Path("logs/y.tmp"), "y");
    const TChildResult result =
        RunChild({Patcher(), "--width", "800", Log(), m_folder.Path("logs/y.tmp")});
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    const std::string header = BuildHeaderText({800, 1200, 6000, 1});
    EXPECT_EQ(ReadFile(Scratch()), header);
    EXPECT_TRUE(ReadFile(Log()) == header + m_old);
    EXPECT_EQ(ReadFile(m_folder.Path("logs/y.tmp")), header + "y");
}

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
    const TChildResult result = Patch();
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
    const TChildResult waited = Patch({"timeout", "1"});
    ::close(holder);
    EXPECT_EQ(waited.ExitCode, 124) << "the patch did not wait";
    EXPECT_TRUE(ReadFile(Log()) == m_old);
    EXPECT_EQ(ReadFile(Scratch()), "");
    EXPECT_EQ(Patch().ExitCode, 0);
}

struct TLimitCase
{
    const char *Name;
    rlim_t Limit;
    Expected Outcome;
};

class SizeLimit : public PatchProcess, public testing::WithParamInterface<TLimitCase>
{
};

// A write cut short at any point, the scratch file included, must leave the old log.
TEST_P(SizeLimit, FailsTheWriteAndKeepsTheLog)
{
    ExpectOutcome(Patch({}, {.FileSizeLimit = GetParam().Limit}), GetParam().Outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SizeLimit,
    testing::Values(TLimitCase{"ScratchFile", 50, Expected::WriteError},
                    TLimitCase{"FirstBlock", 200, Expected::WriteError},
                    TLimitCase{"Middle", kHeader.size() + kLogSize / 2, Expected::WriteError},
                    TLimitCase{"LastByte", kHeader.size() + kLogSize - 1, Expected::WriteError},
                    TLimitCase{"JustEnough", kHeader.size() + kLogSize, Expected::Patched}),
    [](const testing::TestParamInfo<TLimitCase> &info) { return info.param.Name; });

enum class Watched
{
    Any,
    Scratch,
    Log,
    LogFolder
};

struct TInjectCase
{
    const char *Name;
    Watched Path;
    const char *Inject;
    Expected Outcome;
};

class InjectedFailure : public PatchProcess, public testing::WithParamInterface<TInjectCase>
{
protected:
    std::vector<std::string> Strace() const
    {
        std::vector<std::string> strace{"strace", "-f", "-o", "/dev/null"};
        const std::string watched[] = {"", Scratch(), Log(), m_folder.Path("logs")};
        if (GetParam().Path != Watched::Any)
            strace.insert(strace.end(), {"-P", watched[static_cast<int>(GetParam().Path)]});
        strace.push_back(std::string("-einject=") + GetParam().Inject);
        return strace;
    }
};

// strace -P counts only the calls on one file (or on descriptors of it), so "the second open of
// the scratch file" is exact.
TEST_P(InjectedFailure, GivesTheStepsErrorAndKeepsTheLog)
{
    if (!Works({"strace", "-f", "-o", "/dev/null", "true"}))
        GTEST_SKIP() << "strace is not installed or may not trace";
    ExpectOutcome(Patch(Strace()), GetParam().Outcome);
}

// Writes of the whole run: 1 the scratch file, 2 to 5 the four blocks of the new log. Opens in
// the log's folder: 1 the look for left-over files, 2 the new file.
INSTANTIATE_TEST_SUITE_P(
    Calls, InjectedFailure,
    testing::Values(
        TInjectCase{"ShortLastBlock", Watched::Any, "write:retval=1:when=5", Expected::WriteError},
        TInjectCase{"Fdatasync", Watched::Any, "fdatasync:error=EIO", Expected::WriteError},
        TInjectCase{"Rename", Watched::Any, "renameat:error=EIO", Expected::WriteError},
        TInjectCase{"Mode", Watched::Any, "fchmod:error=EIO", Expected::WriteError},
        TInjectCase{"Owner", Watched::Any, "fchown:error=EIO", Expected::WriteError},
        TInjectCase{"ScratchCreate", Watched::Scratch, "openat:error=EACCES:when=1",
                    Expected::ScratchCreateError},
        TInjectCase{"ScratchOpen", Watched::Scratch, "openat:error=EACCES:when=2",
                    Expected::ScratchOpenError},
        TInjectCase{"ScratchEndsEarly", Watched::Scratch, "read:retval=0", Expected::ReadError},
        TInjectCase{"LogOpen", Watched::Log, "openat:error=EACCES:when=1", Expected::LogOpenError},
        TInjectCase{"LogOpenForWriting", Watched::Log, "openat:error=EROFS:when=2",
                    Expected::LogCreateError},
        TInjectCase{"LogMiddleRead", Watched::Log, "read:error=EIO:when=2", Expected::ReadError},
        TInjectCase{"LogEndsEarly", Watched::Log, "read:retval=0:when=2", Expected::ReadError},
        TInjectCase{"NoUnnamedFiles", Watched::LogFolder, "openat:error=EOPNOTSUPP:when=2",
                    Expected::Patched}),
    [](const testing::TestParamInfo<TInjectCase> &info) { return info.param.Name; });

struct TNobodyCase
{
    const char *Name;
    mode_t Mode;
    bool OwnedByNobody;
    Expected Outcome;
    std::optional<rlim_t> Limit = {};
    mode_t LogsFolderMode = 0755; // root's: nobody rewrites in place
    mode_t BinMode = 0777;
};

class AsNobodyUser : public PatchProcess, public testing::WithParamInterface<TNobodyCase>
{
};

// Someone who may write a log but not its folder, or who does not own the log, rewrites it in
// place; owner and mode stay, and a size limit fails before any byte moves.
TEST_P(AsNobodyUser, KeepsTheLogOrPatchesItWithOwnerAndMode)
{
    if (const std::string why = WhyNotAsNobody(); !why.empty())
        GTEST_SKIP() << why;
    const TNobodyCase &row = GetParam();
    ASSERT_EQ(::chmod(m_folder.Path("logs").c_str(), row.LogsFolderMode), 0);
    ASSERT_EQ(::chmod(m_folder.Path("bin").c_str(), row.BinMode), 0);
    if (row.OwnedByNobody) {
        ASSERT_EQ(::chown(Log().c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(::chmod(Log().c_str(), row.Mode), 0);
    ExpectOutcome(Patch(AsNobody(), {.FileSizeLimit = row.Limit}), row.Outcome);
    struct stat status = {};
    ASSERT_EQ(::stat(Log().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, row.OwnedByNobody ? kNobody : 0);
    EXPECT_EQ(status.st_mode & 07777, row.Mode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AsNobodyUser,
    testing::Values(
        TNobodyCase{"InPlace", 0644, true, Expected::Patched},
        TNobodyCase{"InPlaceSetuid", 06775, true, Expected::Patched},
        TNobodyCase{"InPlaceSizeLimit", 0644, true, Expected::WriteError, kLogSize + 50},
        TNobodyCase{"ReadOnly", 0444, true, Expected::LogCreateError},
        // Writing to a file one does not own is allowed, giving a new file its owner is not.
        TNobodyCase{"SomeoneElsesLog", 0666, false, Expected::Patched, {}, 0777},
        TNobodyCase{"UnwritableProgramDirectory",
                    0644,
                    true,
                    Expected::ScratchCreateError,
                    {},
                    0755,
                    0755}),
    [](const testing::TestParamInfo<TNobodyCase> &info) { return info.param.Name; });

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
    const TChildResult result =
        RunChild({"unshare", "-m", "sh", "-c", kFullDiskScript, "sh", m_folder.Path("disk"),
                  Patcher(), m_folder.Path("expected")});
    if (result.ExitCode == 77)
        GTEST_SKIP() << "no private mount allowed here";
    EXPECT_EQ(result.Out, "status=1\nintact\nx.mrfy\n") << result.Err;
    EXPECT_NE(result.Err.find(": ストリームへの書き込みエラー."), std::string::npos) << result.Err;
}

} // namespace
} // namespace mrfyc::test
