// SPDX-License-Identifier: MIT
#include "files/log_patch.h"
#include "files/log_replacement.h"
#include "rules/errors.h"
#include "tests/support/expected_texts.h"
#include "tests/support/linux/folder_files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mrfyc::test {
namespace {

const std::string kDefaultHeader = ExpectedHeader();
constexpr uid_t kNobody = 65534;

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
    static std::string RegularFileContents(const std::string &path)
    {
        struct stat status = {};
        return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) ? ReadFile(path) : "";
    }

    void Patch(const std::string &log, const THeaderSettings &settings = {})
    {
        m_outcomes.push_back(PatchLogFile(log, settings, m_folder.Path("program/")));
    }

    TestFolder m_folder;
    std::vector<PatchOutcome> m_outcomes;
};

TEST_F(PatchLogFileTest, NoPathOnlyTellsAndTouchesNothing)
{
    Patch("");
    EXPECT_EQ(m_outcomes, std::vector<PatchOutcome>{PatchOutcome::NoFileChosen});
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
    EXPECT_TRUE(ReadFile(Log(name)) == ExpectedHeader(1, 2, 3, 4) + kDefaultHeader + old);
    EXPECT_EQ(ReadFile(Scratch()), ExpectedHeader(1, 2, 3, 4));
    EXPECT_EQ(m_outcomes,
              (std::vector<PatchOutcome>{PatchOutcome::Patched, PatchOutcome::Patched}));
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{name});
}

INSTANTIATE_TEST_SUITE_P(Sizes, PatchContents,
                         testing::Values(0, 1, 5000, LogReplacement::kBlockSize - 107,
                                         LogReplacement::kBlockSize,
                                         3 * LogReplacement::kBlockSize + 12345));

struct FailureCase
{
    const char *Name;
    void (*Make)(const std::string &folder); // makes the entries below the test folder
    std::string_view Kind;
    bool NamesScratch = false; // else the text names the log
    bool Locked = false;       // by another patch of the same log
    bool NeedsRoot = false;    // to give an entry to another user
    int SystemError = -1;      // the errno behind the error, -1 where none is fixed
};

class PatchFailure : public PatchLogFileTest, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(PatchFailure, NamesThePathAndLeavesTheLog)
{
    const FailureCase &row = GetParam();
    if (row.NeedsRoot && ::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    row.Make(m_folder.Path());
    const int lock = row.Locked ? ::open(Log().c_str(), O_RDONLY | O_CLOEXEC) : -1;
    ASSERT_TRUE(!row.Locked || ::flock(lock, LOCK_EX) == 0);
    const std::string before = DescribeFolder(m_folder.Path("logs"));
    const std::string contents = RegularFileContents(Log());
    try {
        Patch(Log());
        ADD_FAILURE() << "no error";
    } catch (const Exception &error) {
        EXPECT_EQ(error.ClassName(), row.Kind);
        // A negative expectation leaves the system's error open.
        EXPECT_EQ(error.SystemError(),
                  row.SystemError >= 0 ? row.SystemError : error.SystemError());
        EXPECT_EQ(error.Message(),
                  "ファイル " + (row.NamesScratch ? Scratch() : Log()) +
                      (row.Kind == "EFOpenError" ? " は開けません" : " を作成できません"));
    }
    ::close(lock);
    EXPECT_TRUE(m_outcomes.empty());
    EXPECT_EQ(DescribeFolder(m_folder.Path("logs")), before);
    EXPECT_EQ(RegularFileContents(Log()), contents);
    // the scratch file comes before the log
    EXPECT_TRUE(row.NamesScratch || ReadFile(Scratch()) == kDefaultHeader);
}

void WriteLog(const std::string &folder, mode_t mode = 0644)
{
    WriteFile(folder + "logs/log.mrfy", "old", mode);
}

// Root may write anything, so only the mode bits can say that the user meant a log read-only.
// A second patch of the same log holds its lock, like a file locked against reading.
INSTANTIATE_TEST_SUITE_P(
    Cases, PatchFailure,
    testing::Values(
        FailureCase{"MissingLog", [](const std::string &) {}, "EFOpenError", false, false, false,
                    ENOENT},
        FailureCase{"Folder",
                    [](const std::string &f) {
                        ASSERT_EQ(::mkdir((f + "logs/log.mrfy").c_str(), 0755), 0);
                    },
                    "EFOpenError"},
        FailureCase{"Locked", [](const std::string &f) { WriteLog(f); }, "EFOpenError", false, true,
                    false, EWOULDBLOCK},
        FailureCase{"ReadOnly", [](const std::string &f) { WriteLog(f, 0444); }, "EFCreateError",
                    false, false, false, EACCES},
        FailureCase{"ReadOnlyThroughALink",
                    [](const std::string &f) {
                        WriteFile(f + "logs/real.mrfy", "old", 0444);
                        ASSERT_EQ(::symlink("real.mrfy", (f + "logs/log.mrfy").c_str()), 0);
                    },
                    "EFCreateError"},
        FailureCase{"ScratchIsAFifo",
                    [](const std::string &f) {
                        WriteLog(f);
                        ASSERT_EQ(::mkfifo((f + "program/Temp.txt").c_str(), 0666), 0);
                    },
                    "EFCreateError", true},
        // Following it would put the header into the log before the patch starts.
        FailureCase{"ScratchIsASymlink",
                    [](const std::string &f) {
                        WriteLog(f);
                        ASSERT_EQ(::symlink("../logs/log.mrfy", (f + "program/Temp.txt").c_str()),
                                  0);
                    },
                    "EFCreateError", true, false, false, ELOOP},
        // Another user's link may lead a patch by root to any file of root's.
        FailureCase{"SomeoneElsesSymlink",
                    [](const std::string &f) {
                        WriteFile(f + "logs/real.mrfy", "old");
                        ASSERT_EQ(::symlink("real.mrfy", (f + "logs/log.mrfy").c_str()), 0);
                        ASSERT_EQ(::lchown((f + "logs/log.mrfy").c_str(), kNobody, kNobody), 0);
                    },
                    "EFOpenError", false, false, true, EACCES},
        FailureCase{"SomeoneElsesSymlinkInAChain",
                    [](const std::string &f) {
                        WriteFile(f + "logs/real.mrfy", "old");
                        ASSERT_EQ(::symlink("real.mrfy", (f + "logs/mid").c_str()), 0);
                        ASSERT_EQ(::symlink("mid", (f + "logs/log.mrfy").c_str()), 0);
                        ASSERT_EQ(::lchown((f + "logs/mid").c_str(), kNobody, kNobody), 0);
                    },
                    "EFOpenError", false, false, true},
        // The same for a link to a folder on the way: here the log's folder is nobody's link to
        // a folder of root's.
        FailureCase{"SomeoneElsesFolderLink",
                    [](const std::string &f) {
                        ASSERT_EQ(::rmdir((f + "logs").c_str()), 0);
                        ASSERT_EQ(::mkdir((f + "private").c_str(), 0700), 0);
                        WriteFile(f + "private/log.mrfy", "old");
                        ASSERT_EQ(::symlink("private", (f + "logs").c_str()), 0);
                        ASSERT_EQ(::lchown((f + "logs").c_str(), kNobody, kNobody), 0);
                    },
                    "EFOpenError", false, false, true, EACCES}),
    [](const testing::TestParamInfo<FailureCase> &info) { return info.param.Name; });

struct KeptCase
{
    mode_t Mode;
    bool OwnedByNobody;
    bool ThroughLinks = false; // log -> ../other/middle -> ../real/log.mrfy
};

class KeptAsTheyWere : public PatchLogFileTest, public testing::WithParamInterface<KeptCase>
{
};

// Owner, mode and links stay; the new file goes beside the final target.
TEST_P(KeptAsTheyWere, OwnerModeAndLinks)
{
    const KeptCase &row = GetParam();
    if (row.OwnedByNobody && ::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    const std::string target = m_folder.Path(row.ThroughLinks ? "real/log.mrfy" : "logs/log.mrfy");
    for (const char *folder : {"other", "real"})
        ASSERT_EQ(::mkdir(m_folder.Path(folder).c_str(), 0755), 0);
    if (row.ThroughLinks) {
        ASSERT_EQ(::symlink("../real/log.mrfy", m_folder.Path("other/middle").c_str()), 0);
        ASSERT_EQ(::symlink("../other/middle", Log().c_str()), 0);
    }
    // Links of the log's owner are followed too.
    ASSERT_TRUE(!(row.ThroughLinks && row.OwnedByNobody) ||
                ::lchown(m_folder.Path("other/middle").c_str(), kNobody, kNobody) == 0);
    WriteFile(target, "old");
    ASSERT_TRUE(!row.OwnedByNobody || ::chown(target.c_str(), 65534, 65534) == 0);
    ASSERT_EQ(::chmod(target.c_str(), row.Mode), 0); // chown clears the setuid bit
    std::string before;
    for (const char *folder : {"logs", "other", "real"})
        before += DescribeFolder(m_folder.Path(folder));
    Patch(Log());
    std::string after;
    for (const char *folder : {"logs", "other", "real"})
        after += DescribeFolder(m_folder.Path(folder));
    EXPECT_EQ(after, before);
    EXPECT_EQ(ReadFile(target), kDefaultHeader + "old");
}

INSTANTIATE_TEST_SUITE_P(Cases, KeptAsTheyWere,
                         testing::Values(KeptCase{0666, false}, KeptCase{06775, false},
                                         KeptCase{04640, true}, KeptCase{0604, false, true},
                                         KeptCase{0644, true, true}));

struct ScratchOwnerCase
{
    const char *Name;
    uid_t OldOwner; // of the "Temp.txt" found
    mode_t OldMode;
    uid_t Patcher; // the user who patches, who also owns the program's folder and the log
};

class ScratchOwner : public PatchLogFileTest, public testing::WithParamInterface<ScratchOwnerCase>
{
};

// "Temp.txt" is the patch's own every time: another user's writes to the one found there never
// reach the header (that file is left as it was), and the folder's owner can patch after a run
// by root (whose "Temp.txt" only root may open).
TEST_P(ScratchOwner, NewFileOfThePatchersOwnReplacesIt)
{
    const ScratchOwnerCase &row = GetParam();
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    WriteFile(Scratch(), "someone else's", row.OldMode);
    ASSERT_EQ(::chown(Scratch().c_str(), row.OldOwner, row.OldOwner), 0);
    WriteFile(Log(), "old");
    for (const std::string &path : {m_folder.Path("program"), m_folder.Path("logs"), Log()})
        ASSERT_EQ(::chown(path.c_str(), row.Patcher, row.Patcher), 0);
    const int old = ::open(Scratch().c_str(), O_RDONLY | O_CLOEXEC);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(row.Patcher) != 0 || ::setuid(row.Patcher) != 0)
            ::_exit(2);
        try {
            PatchLogFile(Log(), THeaderSettings{}, m_folder.Path("program/"));
        } catch (const Exception &) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
    struct stat scratch = {};
    ASSERT_EQ(::stat(Scratch().c_str(), &scratch), 0);
    EXPECT_EQ(scratch.st_uid, row.Patcher);
    EXPECT_EQ(scratch.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadFile(Scratch()), kDefaultHeader);
    char oldContents[32] = {};
    EXPECT_EQ(::pread(old, oldContents, sizeof oldContents - 1, 0), 14);
    ::close(old);
    EXPECT_STREQ(oldContents, "someone else's");
    EXPECT_EQ(ListFolder(m_folder.Path("program")), std::vector<std::string>{"Temp.txt"});
}

INSTANTIATE_TEST_SUITE_P(Cases, ScratchOwner,
                         testing::Values(ScratchOwnerCase{"SomeoneElsesWritable", kNobody, 0666, 0},
                                         ScratchOwnerCase{"RootsAfterSudo", 0, 0600, kNobody}),
                         [](const testing::TestParamInfo<ScratchOwnerCase> &info) {
                             return info.param.Name;
                         });

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
    // A link of that name shape is no file of ours, whatever it points to.
    ASSERT_EQ(::symlink("log.mrfy", Log(".log.mrfy.mrfyc-Link01").c_str()), 0);
    std::vector<std::string> kept{".log.mrfy.mrfyc-Link01", ".log.mrfy.mrfyc-live01",
                                  ".log.mrfy.mrfyc-toolong7", ".other.mrfy.mrfyc-Ab3xY9",
                                  "log.mrfy"};
    // Nor is a file of another user's, next to a log that is not theirs.
    if (::geteuid() == 0) {
        WriteFile(Log(".log.mrfy.mrfyc-Nobody"), "someone else's");
        ASSERT_EQ(::chown(Log(".log.mrfy.mrfyc-Nobody").c_str(), kNobody, kNobody), 0);
        kept.insert(kept.begin() + 1, ".log.mrfy.mrfyc-Nobody");
    }
    Patch(Log());
    ::close(live);
    EXPECT_EQ(ReadFile(Log()), kDefaultHeader + "old");
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), kept);
}

// Anyone who may open the scratch file may also lock it, so it is its owner's alone.
TEST_F(PatchLogFileTest, NewScratchFileIsTheOwnersAlone)
{
    WriteFile(Log(), "old");
    const mode_t oldMask = ::umask(022);
    Patch(Log());
    ::umask(oldMask);
    struct stat status = {};
    ASSERT_EQ(::stat(Scratch().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

// Without the program's folder the scratch file has nowhere to go: the working folder is not it.
TEST_F(PatchLogFileTest, NoProgramFolderRefusesTheScratchFile)
{
    WriteFile(Log(), "old");
    char *previous = ::getcwd(nullptr, 0);
    ASSERT_EQ(::chdir(m_folder.Path("logs").c_str()), 0);
    try {
        PatchLogFile(Log(), THeaderSettings{}, "");
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError &error) {
        EXPECT_EQ(error.Message(), "ファイル Temp.txt を作成できません");
    }
    EXPECT_EQ(::chdir(previous), 0);
    std::free(previous);
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"log.mrfy"});
    EXPECT_EQ(ReadFile(Log()), "old");
}

// A folder that refuses renames and removals (append-only) would keep every new file made for
// the log; it is refused before one is made.
TEST_F(PatchLogFileTest, AppendOnlyFolderIsRefusedUpFront)
{
    WriteFile(Log(), "old");
    const int folder = ::open(m_folder.Path("logs").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    ASSERT_EQ(::ioctl(folder, FS_IOC_GETFLAGS, &flags), 0) << "file system without flags";
    const int appendOnly = flags | FS_APPEND_FL;
    if (::ioctl(folder, FS_IOC_SETFLAGS, &appendOnly) != 0) {
        ::close(folder);
        GTEST_SKIP() << "cannot make a folder append-only here (needs CAP_LINUX_IMMUTABLE)";
    }
    const std::string before = DescribeFolder(m_folder.Path("logs"));
    try {
        Patch(Log());
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError &error) {
        EXPECT_EQ(error.Message(), "ファイル " + Log() + " を作成できません");
    }
    const std::string after = DescribeFolder(m_folder.Path("logs"));
    EXPECT_EQ(::ioctl(folder, FS_IOC_SETFLAGS, &flags), 0);
    ::close(folder);
    EXPECT_EQ(after, before);
    EXPECT_EQ(ReadFile(Log()), "old");
}

} // namespace
} // namespace mrfyc::test
