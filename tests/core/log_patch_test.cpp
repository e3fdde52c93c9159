#include "core/errors.h"
#include "core/log_patch.h"
#include "core/safe_file_replace.h"
#include "tests/core/test_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc::test {
namespace {

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
    std::string Scratch() const { return m_folder.Path("program/Temp.txt"); }

    void Patch(const std::string &log, const THeaderSettings &settings = {})
    {
        PatchLogFile(
            log,
            [this, settings] {
                ++m_settingsRead;
                return settings;
            },
            m_folder.Path("program/"),
            [this](const std::string &text) { m_notices.push_back(text); });
    }

    TestFolder m_folder;
    std::vector<std::string> m_notices;
    int m_settingsRead = 0;
};

TEST_F(PatchLogFileTest, NoPathOnlyTellsAndTouchesNothing)
{
    Patch("");
    EXPECT_EQ(m_notices, std::vector<std::string>{kNoticeNoFile});
    EXPECT_EQ(m_settingsRead, 0);
    EXPECT_TRUE(ListFolder(m_folder.Path("program")).empty());
}

class PatchContents : public PatchLogFileTest, public testing::WithParamInterface<std::size_t>
{
};

// Sizes around the copy's block size catch a lost or doubled block. A log name of NAME_MAX bytes
// must still leave room for the new file's name.
TEST_P(PatchContents, PutTheNewestHeaderFirst)
{
    const std::string name = std::string(250, 'n') + ".mrfy";
    const std::string old = PatternBytes(GetParam());
    WriteFile(Log(name), old);
    WriteFile(Scratch(), std::string(5000, 'x')); // must be cut to the header
    const THeaderSettings second{1, 2, 3, 4};
    Patch(Log(name));
    EXPECT_TRUE(ReadFile(Log(name)) == kDefaultHeader + old);
    Patch(Log(name), second);
    EXPECT_TRUE(ReadFile(Log(name)) == BuildHeaderText(second) + kDefaultHeader + old);
    EXPECT_EQ(ReadFile(Scratch()), BuildHeaderText(second));
    EXPECT_EQ(m_notices, (std::vector<std::string>{kNoticePatched, kNoticePatched}));
    EXPECT_EQ(m_settingsRead, 2);
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{name});
}

INSTANTIATE_TEST_SUITE_P(Sizes, PatchContents,
                         testing::Values(0, 1, 5000, SafeFileReplace::kBlockSize - 107,
                                         SafeFileReplace::kBlockSize,
                                         3 * SafeFileReplace::kBlockSize + 12345));

struct TFailureCase
{
    const char *Name;
    // Makes the entries below the test folder; returns a descriptor to hold during the patch.
    int (*Make)(const std::string &folder);
    std::string_view Kind;
    bool NamesScratch = false; // else the text names the log
};

class PatchFailure : public PatchLogFileTest, public testing::WithParamInterface<TFailureCase>
{
};

TEST_P(PatchFailure, NamesThePathAndLeavesTheLog)
{
    const TFailureCase &row = GetParam();
    const int held = row.Make(m_folder.Path());
    struct stat before = {};
    const bool exists = ::stat(Log().c_str(), &before) == 0;
    const std::string contents = exists && S_ISREG(before.st_mode) ? ReadFile(Log()) : "";
    const std::vector<std::string> listing = ListFolder(m_folder.Path("logs"));
    const std::string named = row.NamesScratch ? Scratch() : Log();
    try {
        Patch(Log());
        ADD_FAILURE() << "no error";
    } catch (const Exception &error) {
        EXPECT_EQ(error.ClassName(), row.Kind);
        EXPECT_EQ(error.Message(),
                  "ファイル " + named +
                      (row.Kind == "EFOpenError" ? " は開けません" : " を作成できません"));
    }
    if (held >= 0)
        ::close(held);
    EXPECT_TRUE(m_notices.empty());
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), listing);
    struct stat after = {};
    ASSERT_EQ(::stat(Log().c_str(), &after) == 0, exists);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (!contents.empty()) {
        EXPECT_EQ(ReadFile(Log()), contents);
    }
    if (!row.NamesScratch) { // the scratch file comes before the log
        EXPECT_EQ(ReadFile(Scratch()), kDefaultHeader);
    }
}

// The result of a call that made an entry, as a Make function returns it: nothing to hold.
int Made(int result)
{
    EXPECT_EQ(result, 0);
    return -1;
}

int WriteLog(const std::string &folder, mode_t mode = 0644)
{
    WriteFile(folder + "logs/log.mrfy", "old", mode);
    return -1;
}

// Root may write anything, so only the mode bits can say that the user meant a log read-only.
// A second patch of the same log holds its lock, like a file locked against reading.
INSTANTIATE_TEST_SUITE_P(
    Cases, PatchFailure,
    testing::Values(
        TFailureCase{"MissingLog", [](const std::string &) { return -1; }, "EFOpenError"},
        TFailureCase{
            "Folder",
            [](const std::string &f) { return Made(::mkdir((f + "logs/log.mrfy").c_str(), 0755)); },
            "EFOpenError"},
        TFailureCase{"LockedByAnotherPatch",
                     [](const std::string &f) {
                         WriteLog(f);
                         const int fd = ::open((f + "logs/log.mrfy").c_str(), O_RDONLY | O_CLOEXEC);
                         ::flock(fd, LOCK_EX);
                         return fd;
                     },
                     "EFOpenError"},
        TFailureCase{"ReadOnly", [](const std::string &f) { return WriteLog(f, 0444); },
                     "EFCreateError"},
        TFailureCase{"ReadOnlyThroughALink",
                     [](const std::string &f) {
                         WriteFile(f + "logs/real.mrfy", "old", 0444);
                         return Made(::symlink("real.mrfy", (f + "logs/log.mrfy").c_str()));
                     },
                     "EFCreateError"},
        TFailureCase{"ScratchIsAFifo",
                     [](const std::string &f) {
                         WriteLog(f);
                         return Made(::mkfifo((f + "program/Temp.txt").c_str(), 0666));
                     },
                     "EFCreateError", true}),
    [](const testing::TestParamInfo<TFailureCase> &info) { return info.param.Name; });

struct TKeptCase
{
    mode_t Mode;
    bool OwnedByNobody;
};

class KeptOwnerAndMode : public PatchLogFileTest, public testing::WithParamInterface<TKeptCase>
{
};

TEST_P(KeptOwnerAndMode, SurviveThePatch)
{
    if (GetParam().OwnedByNobody && ::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    WriteFile(Log(), "old");
    if (GetParam().OwnedByNobody) {
        ASSERT_EQ(::chown(Log().c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod(Log().c_str(), GetParam().Mode), 0); // chown clears the setuid bit
    struct stat before = {};
    ASSERT_EQ(::stat(Log().c_str(), &before), 0);
    Patch(Log());
    struct stat after = {};
    ASSERT_EQ(::stat(Log().c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, GetParam().Mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
}

INSTANTIATE_TEST_SUITE_P(Modes, KeptOwnerAndMode,
                         testing::Values(TKeptCase{0666, false}, TKeptCase{06775, false},
                                         TKeptCase{04640, true}));

TEST_F(PatchLogFileTest, SymlinkChainStaysAndTheFinalTargetIsPatched)
{
    ASSERT_EQ(::mkdir(m_folder.Path("other").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(m_folder.Path("real").c_str(), 0755), 0);
    WriteFile(m_folder.Path("real/log.mrfy"), "old");
    ASSERT_EQ(::symlink("../real/log.mrfy", m_folder.Path("other/middle").c_str()), 0);
    ASSERT_EQ(::symlink("../other/middle", Log().c_str()), 0);
    Patch(Log());
    struct stat status = {};
    ASSERT_EQ(::lstat(Log().c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_EQ(::lstat(m_folder.Path("other/middle").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(ReadFile(m_folder.Path("real/log.mrfy")), kDefaultHeader + "old");
    EXPECT_EQ(ListFolder(m_folder.Path("real")), std::vector<std::string>{"log.mrfy"});
}

// The new file of a killed run is recognised by its name and the missing lock.
TEST_F(PatchLogFileTest, LeftOverFilesOfAKilledRunAreRemovedAndLiveOnesKept)
{
    WriteFile(Log(), "old");
    WriteFile(Log(".log.mrfy.mrfyc-Ab3xY9"), "stale");
    WriteFile(Log(".log.mrfy.mrfyc-live01"), "being written");
    WriteFile(Log(".log.mrfy.mrfyc-toolong7"), "not ours");
    WriteFile(Log(".other.mrfy.mrfyc-Ab3xY9"), "another log's");
    const int live = ::open(Log(".log.mrfy.mrfyc-live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    Patch(Log());
    ::close(live);
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
    EXPECT_EQ(ListFolder(m_folder.Path("logs")),
              (std::vector<std::string>{".log.mrfy.mrfyc-live01", ".log.mrfy.mrfyc-toolong7",
                                        ".other.mrfy.mrfyc-Ab3xY9", "log.mrfy"}));
}

} // namespace
} // namespace mrfyc::test
