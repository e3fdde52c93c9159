#include "core/errors.h"
#include "core/log_patch.h"
#include "core/safe_file_replace.h"
#include "tests/core/test_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {
namespace {

using test::Exists;
using test::ListFolder;
using test::PatternBytes;
using test::ReadFile;
using test::WriteFile;

const std::string kDefaultHeader = BuildHeaderText(THeaderSettings{});

class PatchLogFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(::mkdir(m_folder.Path("program").c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(m_folder.Path("logs").c_str(), 0755), 0);
    }

    std::string Log(std::string_view name = "log.mrfy") const
    {
        return m_folder.Path("logs/") + std::string(name);
    }
    std::string ProgramDirectoryPath() const { return m_folder.Path("program/"); }
    std::string Scratch() const { return ProgramDirectoryPath() + "Temp.txt"; }

    void Patch(const std::string &log, const THeaderSettings &settings = {})
    {
        PatchLogFile(
            log,
            [this, settings] {
                ++m_settingsRead;
                return settings;
            },
            ProgramDirectoryPath(), [this](const std::string &text) { m_notices.push_back(text); });
    }

    // Runs a patch that must fail with the error kind E and text, and must leave the logs
    // folder exactly as it was.
    template <typename E> void ExpectFailure(const std::string &log, const std::string &text)
    {
        const std::vector<std::string> before = ListFolder(m_folder.Path("logs"));
        struct stat status = {};
        const bool regular = ::stat(log.c_str(), &status) == 0 && S_ISREG(status.st_mode);
        const std::string contents = regular ? ReadFile(log) : std::string();
        try {
            Patch(log);
            ADD_FAILURE() << "no error for " << log;
        } catch (const E &error) {
            EXPECT_EQ(error.Message(), text);
        }
        EXPECT_TRUE(m_notices.empty());
        EXPECT_EQ(ListFolder(m_folder.Path("logs")), before);
        if (regular) {
            EXPECT_EQ(ReadFile(log), contents);
        }
    }

    test::TestFolder m_folder;
    std::vector<std::string> m_notices;
    int m_settingsRead = 0;
};

TEST_F(PatchLogFileTest, NoPathOnlyTellsAndTouchesNothing)
{
    Patch("");
    EXPECT_EQ(m_notices, std::vector<std::string>{kNoticeNoFile});
    EXPECT_EQ(m_settingsRead, 0);
    EXPECT_FALSE(Exists(Scratch()));
}

struct TContentsCase
{
    const char *Name;
    std::size_t Size;
};

class PatchContents : public PatchLogFileTest, public testing::WithParamInterface<TContentsCase>
{
};

TEST_P(PatchContents, PutsTheHeaderBeforeTheOldBytes)
{
    const std::string old = PatternBytes(GetParam().Size);
    WriteFile(Log(), old);
    Patch(Log());
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + old);
    EXPECT_EQ(ReadFile(Scratch()), kDefaultHeader);
    EXPECT_EQ(m_notices, std::vector<std::string>{kNoticePatched});
    EXPECT_EQ(m_settingsRead, 1);
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"log.mrfy"});
}

// Sizes around the copy's block size catch a lost or doubled block.
INSTANTIATE_TEST_SUITE_P(
    Sizes, PatchContents,
    testing::Values(TContentsCase{"Empty", 0}, TContentsCase{"OneByte", 1},
                    TContentsCase{"Small", 5000},
                    TContentsCase{"BlockMinusHeader", SafeFileReplace::kBlockSize - 107},
                    TContentsCase{"Block", SafeFileReplace::kBlockSize},
                    TContentsCase{"SeveralBlocks", 3 * SafeFileReplace::kBlockSize + 12345}),
    [](const testing::TestParamInfo<TContentsCase> &info) { return info.param.Name; });

TEST_F(PatchLogFileTest, TwicePutsTheNewerHeaderFirst)
{
    WriteFile(Log(), "old");
    const THeaderSettings first{1, 2, 3, 4};
    const THeaderSettings second{800, 1200, 6000, 9};
    Patch(Log(), first);
    Patch(Log(), second);
    EXPECT_EQ(ReadFile(Log()), BuildHeaderText(second) + BuildHeaderText(first) + "old");
    EXPECT_EQ(ReadFile(Scratch()), BuildHeaderText(second));
}

TEST_F(PatchLogFileTest, ReplacesAScratchFileOfAnyLength)
{
    WriteFile(Scratch(), std::string(5000, 'x'));
    WriteFile(Log(), "old");
    Patch(Log());
    EXPECT_EQ(ReadFile(Scratch()), kDefaultHeader);
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
}

TEST_F(PatchLogFileTest, MissingLogNamesItAfterWritingTheScratchFile)
{
    ExpectFailure<EFOpenError>(Log(), "ファイル " + Log() + " は開けません");
    EXPECT_EQ(ReadFile(Scratch()), kDefaultHeader);
}

struct TNotAFileCase
{
    const char *Name;
    void (*Make)(const std::string &path);
};

class NotARegularFile : public PatchLogFileTest, public testing::WithParamInterface<TNotAFileCase>
{
};

// A FIFO must neither block the patch nor be replaced by a file.
TEST_P(NotARegularFile, CannotBeOpened)
{
    GetParam().Make(Log());
    struct stat before = {};
    ASSERT_EQ(::lstat(Log().c_str(), &before), 0);
    ExpectFailure<EFOpenError>(Log(), "ファイル " + Log() + " は開けません");
    struct stat after = {};
    ASSERT_EQ(::lstat(Log().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, NotARegularFile,
    testing::Values(
        TNotAFileCase{"Folder",
                      [](const std::string &p) { ASSERT_EQ(::mkdir(p.c_str(), 0755), 0); }},
        TNotAFileCase{"Fifo",
                      [](const std::string &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); }},
        TNotAFileCase{"DanglingLink",
                      [](const std::string &p) { ASSERT_EQ(::symlink("nowhere", p.c_str()), 0); }},
        TNotAFileCase{
            "LinkToDevice",
            [](const std::string &p) { ASSERT_EQ(::symlink("/dev/null", p.c_str()), 0); }}),
    [](const testing::TestParamInfo<TNotAFileCase> &info) { return info.param.Name; });

class ReadOnlyLog : public PatchLogFileTest, public testing::WithParamInterface<mode_t>
{
};

// Root may write anything, so only the mode bits can say that the user meant it read-only.
TEST_P(ReadOnlyLog, CannotBeCreatedEvenByRoot)
{
    if (::geteuid() != 0 && (GetParam() & S_IRUSR) == 0)
        GTEST_SKIP() << "only root can read a log without a read bit";
    WriteFile(Log(), "old", GetParam());
    ExpectFailure<EFCreateError>(Log(), "ファイル " + Log() + " を作成できません");
    struct stat status = {};
    ASSERT_EQ(::stat(Log().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadOnlyLog, testing::Values(0444, 0400, 0000, 04555));

TEST_F(PatchLogFileTest, ReadOnlyLogThroughALinkNamesTheLink)
{
    WriteFile(Log("real.mrfy"), "old", 0444);
    ASSERT_EQ(::symlink("real.mrfy", Log().c_str()), 0);
    ExpectFailure<EFCreateError>(Log(), "ファイル " + Log() + " を作成できません");
}

struct TScratchCase
{
    const char *Name;
    const char *Directory; // below the test folder
    void (*Prepare)(const std::string &folder);
};

class UnwritableScratch : public PatchLogFileTest, public testing::WithParamInterface<TScratchCase>
{
};

TEST_P(UnwritableScratch, NamesTheScratchPathAndLeavesTheLog)
{
    GetParam().Prepare(m_folder.Path());
    WriteFile(Log(), "old");
    const std::string directory = m_folder.Path(GetParam().Directory);
    try {
        PatchLogFile(
            Log(), [] { return THeaderSettings{}; }, directory,
            [this](const std::string &text) { m_notices.push_back(text); });
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError &error) {
        EXPECT_EQ(error.Message(), "ファイル " + directory + "Temp.txt を作成できません");
    }
    EXPECT_TRUE(m_notices.empty());
    EXPECT_EQ(ReadFile(Log()), "old");
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"log.mrfy"});
}

INSTANTIATE_TEST_SUITE_P(
    Places, UnwritableScratch,
    testing::Values(TScratchCase{"MissingDirectory", "missing/", [](const std::string &) {}},
                    TScratchCase{"FileAsDirectory", "file/",
                                 [](const std::string &f) { WriteFile(f + "file", "x"); }},
                    TScratchCase{"ScratchIsAFolder", "program/",
                                 [](const std::string &f) {
                                     ASSERT_EQ(::mkdir((f + "program/Temp.txt").c_str(), 0755), 0);
                                 }},
                    TScratchCase{"ScratchIsAFifo", "program/",
                                 [](const std::string &f) {
                                     ASSERT_EQ(::mkfifo((f + "program/Temp.txt").c_str(), 0666), 0);
                                 }}),
    [](const testing::TestParamInfo<TScratchCase> &info) { return info.param.Name; });

class KeptMode : public PatchLogFileTest, public testing::WithParamInterface<mode_t>
{
};

TEST_P(KeptMode, SurvivesThePatch)
{
    if (::geteuid() != 0 && (GetParam() & S_IRUSR) == 0)
        GTEST_SKIP() << "only root can read a log without a read bit";
    WriteFile(Log(), "old", GetParam());
    Patch(Log());
    struct stat status = {};
    ASSERT_EQ(::stat(Log().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, GetParam());
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
}

INSTANTIATE_TEST_SUITE_P(Modes, KeptMode,
                         testing::Values(0644, 0600, 0664, 0666, 0200, 04755, 02755, 06775, 01644));

TEST_F(PatchLogFileTest, RootKeepsTheOwnerOfSomeoneElsesLog)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    constexpr uid_t kNobody = 65534;
    constexpr gid_t kNogroup = 65534;
    WriteFile(Log(), "old", 0640);
    ASSERT_EQ(::chown(Log().c_str(), kNobody, kNogroup), 0);
    ASSERT_EQ(::chmod(Log().c_str(), 04640), 0); // chown cleared the setuid bit
    Patch(Log());
    struct stat status = {};
    ASSERT_EQ(::stat(Log().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, kNobody);
    EXPECT_EQ(status.st_gid, kNogroup);
    EXPECT_EQ(status.st_mode & 07777, 04640u);
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
}

TEST_F(PatchLogFileTest, SymlinkChainStaysAndTheFinalTargetIsPatched)
{
    ASSERT_EQ(::mkdir(m_folder.Path("other").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(m_folder.Path("real").c_str(), 0755), 0);
    WriteFile(m_folder.Path("real/log.mrfy"), "old", 0604);
    ASSERT_EQ(::symlink("../real/log.mrfy", m_folder.Path("other/middle").c_str()), 0);
    ASSERT_EQ(::symlink("../other/middle", Log().c_str()), 0);

    Patch(Log());

    struct stat status = {};
    ASSERT_EQ(::lstat(Log().c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_EQ(::lstat(m_folder.Path("other/middle").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_EQ(::lstat(m_folder.Path("real/log.mrfy").c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 07777, 0604u);
    EXPECT_EQ(ReadFile(m_folder.Path("real/log.mrfy")), kDefaultHeader + "old");
    EXPECT_EQ(ListFolder(m_folder.Path("real")), std::vector<std::string>{"log.mrfy"});
    EXPECT_EQ(ListFolder(m_folder.Path("other")), std::vector<std::string>{"middle"});
}

TEST_F(PatchLogFileTest, HardLinkedLogKeepsItsOtherName)
{
    WriteFile(Log(), "old");
    ASSERT_EQ(::link(Log().c_str(), Log("second.mrfy").c_str()), 0);
    Patch(Log());
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
    EXPECT_EQ(ReadFile(Log("second.mrfy")), "old");
}

// Like a file locked against reading: a second patch of the same log must not run alongside.
TEST_F(PatchLogFileTest, LogLockedByAnotherPatchCannotBeOpened)
{
    WriteFile(Log(), "old");
    const int holder = ::open(Log().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    ExpectFailure<EFOpenError>(Log(), "ファイル " + Log() + " は開けません");
    ::close(holder);
    Patch(Log());
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
}

TEST_F(PatchLogFileTest, ProgramDirectoryHoldsThisTestProgram)
{
    const std::string directory = ProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(std::string(self).substr(0, directory.size()), directory);
    EXPECT_EQ(std::string(self).find('/', directory.size()), std::string::npos);
}

// The new file of a killed run is recognised by its name and the missing lock.
class LeftOverFiles : public PatchLogFileTest
{
};

TEST_F(LeftOverFiles, OfAKilledRunAreRemovedAndLiveOnesKept)
{
    WriteFile(Log(), "old");
    WriteFile(Log(".log.mrfy.mrfyc-Ab3xY9"), "stale");
    WriteFile(Log(".log.mrfy.mrfyc-live01"), "being written");
    WriteFile(Log(".log.mrfy.mrfyc-toolong7"), "not ours");
    WriteFile(Log(".other.mrfy.mrfyc-Ab3xY9"), "another log's");
    const int live = ::open(Log(".log.mrfy.mrfyc-live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    Patch(Log());
    ::close(live);

    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
    EXPECT_EQ(ListFolder(m_folder.Path("logs")),
              (std::vector<std::string>{".log.mrfy.mrfyc-live01", ".log.mrfy.mrfyc-toolong7",
                                        ".other.mrfy.mrfyc-Ab3xY9", "log.mrfy"}));
}

struct TNewFileCase
{
    const char *Name;
    bool Unnamed;
    std::size_t NameLength;
};

class SafeFileReplaceNewFile : public testing::TestWithParam<TNewFileCase>
{
};

// File systems without O_TMPFILE get a named new file; it must not stay behind either, and a
// log name near NAME_MAX must still leave room for the new file's name.
TEST_P(SafeFileReplaceNewFile, ReplacesAndLeavesNothing)
{
    test::TestFolder folder;
    const std::string name = std::string(GetParam().NameLength - 4, 'n') + ".tmp";
    const std::string log = folder.Path(name);
    const std::string old = PatternBytes(2 * SafeFileReplace::kBlockSize + 7);
    WriteFile(log, old, 04751);
    SafeFileReplace replace(log);
    replace.SetUnnamedFileAllowed(GetParam().Unnamed);
    replace.Open();
    replace.Prepend("head");
    EXPECT_TRUE(ReadFile(log) == "head" + old);
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{name});
    struct stat status = {};
    ASSERT_EQ(::stat(log.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 04751u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SafeFileReplaceNewFile,
                         testing::Values(TNewFileCase{"Named", false, 7},
                                         TNewFileCase{"NamedLongest", false, 255},
                                         TNewFileCase{"UnnamedLongest", true, 255}),
                         [](const testing::TestParamInfo<TNewFileCase> &info) {
                             return info.param.Name;
                         });

TEST(SafeFileReplaceNamed, FailureRemovesTheNewFile)
{
    test::TestFolder folder;
    const std::string log = folder.Path("log.tmp");
    WriteFile(log, "old");
    SafeFileReplace replace(log);
    replace.SetUnnamedFileAllowed(false);
    replace.Open();
    // The log turns into a folder after it was read: the rename over it must fail.
    ASSERT_EQ(::unlink(log.c_str()), 0);
    ASSERT_EQ(::mkdir(log.c_str(), 0755), 0);
    EXPECT_THROW(replace.Prepend("head"), Exception);
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{"log.tmp"});
}

} // namespace
} // namespace mrfyc
