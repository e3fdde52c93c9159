// SPDX-License-Identifier: MIT
#include "files/log_replacement.h"
#include "rules/errors.h"
#include "rules/header_settings.h"
#include "tests/support/win32/win32_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace mrfyc {
namespace {

using test::TestFolder;

const std::string kHeader = BuildHeaderText(THeaderSettings{});
constexpr std::uint64_t kBlock = LogReplacement::kBlockSize;

struct ContentsCase
{
    const char *Name;
    std::string FileName;
    std::uint64_t Size;
};

class LogContents : public testing::TestWithParam<ContentsCase>
{
};

// Header + every old byte, and the folder holds the log alone afterwards.
TEST_P(LogContents, AreHeaderThenEveryOldByte)
{
    TestFolder folder;
    const std::string path = folder.Path(GetParam().FileName);
    test::WritePattern(path, GetParam().Size);
    LogReplacement log(path);
    log.Open();
    log.Prepend(kHeader);
    EXPECT_TRUE(test::HoldsPrefixAndPattern(path, kHeader, GetParam().Size));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{GetParam().FileName});
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndNames, LogContents,
    testing::Values(ContentsCase{"Empty", "a.mrfy", 0}, ContentsCase{"OneByte", "a.mrfy", 1},
                    ContentsCase{"BlockLessOne", "a.tmp", kBlock - 1},
                    ContentsCase{"Block", "a.tmp", kBlock},
                    ContentsCase{"BlockPlusOne", "a.tmp", kBlock + 1},
                    ContentsCase{"ThreeBlocksAndSome", "a.mrfy", 3 * kBlock + 17},
                    ContentsCase{"Ampersand", "R&D log & more.mrfy", 1000},
                    ContentsCase{"KoreanAndEmoji", "그림채팅 😀 ログ.mrfy", 1000},
                    ContentsCase{"Cp932Backslash", "表示.tmp", 1000}),
    [](const testing::TestParamInfo<ContentsCase> &info) { return std::string(info.param.Name); });

// A second patch stacks a second header, as the window does on a log patched before; "/" names
// the same folder as "\". The log keeps its attributes (the new file is hidden until it is in
// place) and is marked for backup.
TEST(LogReplacement, SecondPatchStacksAnotherHeader)
{
    TestFolder folder;
    std::string path = folder.Path("a.mrfy");
    test::WriteWhole(path, "old");
    LogReplacement(path).Prepend("first\r\n");
    const std::wstring wide = test::Wide(path);
    EXPECT_EQ(::GetFileAttributesW(wide.c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    for (char &c : path)
        c = c == '\\' ? '/' : c;
    LogReplacement second(path);
    second.Open();
    second.Prepend("second\r\n");
    EXPECT_EQ(test::ReadWhole(folder.Path("a.mrfy")), "second\r\nfirst\r\nold");
    EXPECT_EQ(::GetFileAttributesW(wide.c_str()),
              DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"a.mrfy"});
}

enum class Expect
{
    OpenError,
    CreateError
};

struct RefusalCase
{
    const char *Name;
    Expect Kind;
    // Sets up what the log path names; may start a helper that must outlive the patch.
    std::unique_ptr<test::HelperProcess> (*Prepare)(const std::string &path);
};

std::unique_ptr<test::HelperProcess> Holding(const char *mode, const std::string &path)
{
    test::WriteWhole(path, "old");
    const std::string ready = test::UniqueEventName();
    auto helper =
        std::make_unique<test::HelperProcess>(std::vector<std::string>{mode, path, ready});
    EXPECT_TRUE(helper->WaitReady(ready)) << mode;
    return helper;
}

class Refusal : public testing::TestWithParam<RefusalCase>
{
};

// The exact text naming the path as given, the system's reason kept, and nothing in the folder
// changed.
TEST_P(Refusal, NamesThePathAndChangesNothing)
{
    TestFolder folder;
    const std::string path = folder.Path("log.mrfy");
    const auto helper = GetParam().Prepare(path);
    const std::vector<std::string> before = folder.Names();
    const bool hadLog = ::GetFileAttributesW(test::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::string oldContents =
        hadLog && !(::GetFileAttributesW(test::Wide(path).c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            ? test::ReadWhole(path)
            : std::string();
    try {
        LogReplacement log(path);
        log.Open();
        log.Prepend(kHeader);
        ADD_FAILURE() << "no error";
    } catch (const Exception &error) {
        const bool open = GetParam().Kind == Expect::OpenError;
        EXPECT_EQ(error.ClassName(), open ? "EFOpenError" : "EFCreateError");
        EXPECT_EQ(error.Message(), open ? "ファイル " + path + " は開けません"
                                        : "ファイル " + path + " を作成できません");
        EXPECT_NE(error.SystemError(), 0);
    }
    EXPECT_EQ(folder.Names(), before);
    EXPECT_EQ(oldContents.empty() ? oldContents : test::ReadWhole(path), oldContents);
}

INSTANTIATE_TEST_SUITE_P(
    BadLogs, Refusal,
    testing::Values(
        RefusalCase{"Missing", Expect::OpenError,
                    [](const std::string &) { return std::unique_ptr<test::HelperProcess>(); }},
        RefusalCase{"Folder", Expect::OpenError,
                    [](const std::string &path) {
                        ::CreateDirectoryW(test::Wide(path).c_str(), nullptr);
                        return std::unique_ptr<test::HelperProcess>();
                    }},
        RefusalCase{"ReadOnly", Expect::CreateError,
                    [](const std::string &path) {
                        test::WriteWhole(path, "old");
                        ::SetFileAttributesW(test::Wide(path).c_str(), FILE_ATTRIBUTE_READONLY);
                        return std::unique_ptr<test::HelperProcess>();
                    }},
        RefusalCase{"HeldOpenForWriting", Expect::OpenError,
                    [](const std::string &path) { return Holding("hold-write", path); }},
        // Readable, but no other file can take its name while it is open.
        RefusalCase{"HeldOpenWithoutDeleteSharing", Expect::CreateError,
                    [](const std::string &path) { return Holding("hold-read", path); }},
        RefusalCase{"AnotherPatchRunning", Expect::OpenError,
                    [](const std::string &path) { return Holding("hold-patch", path); }}),
    [](const testing::TestParamInfo<RefusalCase> &info) { return std::string(info.param.Name); });

TEST(LogReplacement, RefusesANameThatIsNoUtf8)
{
    TestFolder folder;
    const std::string path = folder.Path("\xFF\xFE.mrfy");
    try {
        LogReplacement(path).Open();
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError &error) {
        EXPECT_EQ(error.Message(), "ファイル " + path + " は開けません");
    }
}

// Runs a command in folder on the Unix side and waits for it. Wine starts Unix programs too, but
// gives no handle to wait on, so the command ends by making a file. False when not under Wine.
bool RunUnixShell(const std::string &folder, const std::string &command)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring line = test::Wide("sh -c \"" + command + " && touch ran\"");
    if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          test::Wide(folder).c_str(), &startup, &process))
        return false;
    for (int waited = 0; waited < 30000; waited += 10, ::Sleep(10))
        if (::DeleteFileW(test::Wide(folder + "ran").c_str()))
            return true;
    return false;
}

enum class Made
{
    ByKilledPatch,
    ByRunningPatch,
    ByUser,
    ByUserMarked, // with the system attribute, the mark of a patch's new file
    AsUnixLink
};

struct LeftoverCase
{
    const char *Name;
    Made How;
    const char *Entry; // the name made, or the log the patch was for
    bool Removed;
};

// Puts a file named like a new file of chat.mrfy's patches into logs and names it ("" when that
// cannot be made here); a helper it starts must outlive the patch.
std::string Make(const LeftoverCase &made, const std::string &logs,
                 std::unique_ptr<test::HelperProcess> &helper)
{
    const std::string path = logs + made.Entry;
    if (made.How == Made::AsUnixLink)
        return RunUnixShell(logs, "ln -s ../precious " + std::string(made.Entry)) ? made.Entry : "";
    if (made.How == Made::ByUser || made.How == Made::ByUserMarked) {
        test::WriteWhole(path, "mine");
        if (made.How == Made::ByUserMarked)
            ::SetFileAttributesW(test::Wide(path).c_str(), FILE_ATTRIBUTE_SYSTEM);
        return made.Entry;
    }
    const std::string ready = test::UniqueEventName();
    helper = std::make_unique<test::HelperProcess>(
        std::vector<std::string>{"leave-new-file", path, ready});
    EXPECT_TRUE(helper->WaitReady(ready));
    if (made.How == Made::ByKilledPatch)
        helper->Kill();
    WIN32_FIND_DATAW found = {};
    ::FindClose(::FindFirstFileW(test::Wide(logs + ".*.mrfyc-*").c_str(), &found));
    return test::Utf8(found.cFileName);
}

class Leftover : public testing::TestWithParam<LeftoverCase>
{
};

// The next patch removes what a killed patch left (named after the log in any case), and nothing
// else of a like name: not a running patch's new file, not the user's own file, not what a link
// leads to out of the folder, even a file of the user's that carries the mark.
TEST_P(Leftover, IsRemovedOnlyWhenAKilledPatchLeftIt)
{
    TestFolder folder;
    const std::string logs = folder.Path("logs\\");
    ::CreateDirectoryW(test::Wide(logs).c_str(), nullptr);
    test::WriteWhole(folder.Path("precious"), "mine");
    ::SetFileAttributesW(test::Wide(folder.Path("precious")).c_str(), FILE_ATTRIBUTE_SYSTEM);
    test::WriteWhole(logs + "chat.mrfy", "old");
    std::unique_ptr<test::HelperProcess> helper;
    const std::string name = Make(GetParam(), logs, helper);
    const auto gone = [&] {
        return ::GetFileAttributesW(test::Wide(logs + name).c_str()) == INVALID_FILE_ATTRIBUTES;
    };
    if (name.empty())
        GTEST_SKIP() << "cannot be made here";
    ASSERT_FALSE(gone());
    LogReplacement(logs + "chat.mrfy").Prepend("new");
    const bool removed = gone();
    // Before anything can fail: under Wine, only a Unix program removes a link and not its target.
    if (GetParam().How == Made::AsUnixLink)
        RunUnixShell(logs, "rm " + name);
    EXPECT_EQ(removed, GetParam().Removed);
    EXPECT_EQ(test::ReadWhole(logs + "chat.mrfy"), "newold");
    EXPECT_EQ(test::ReadWhole(folder.Path("precious")), "mine");
}

INSTANTIATE_TEST_SUITE_P(
    NamedLikeNewFiles, Leftover,
    testing::Values(
        LeftoverCase{"KilledPatch", Made::ByKilledPatch, "chat.mrfy", true},
        LeftoverCase{"KilledPatchOtherCase", Made::ByKilledPatch, "CHAT.MRFY", true},
        LeftoverCase{"RunningPatch", Made::ByRunningPatch, "chat.mrfy", false},
        LeftoverCase{"UsersOwn", Made::ByUser, ".chat.mrfy.mrfyc-20240101", false},
        LeftoverCase{"MarkedSevenDigits", Made::ByUserMarked, ".chat.mrfy.mrfyc-0000abc", false},
        LeftoverCase{"MarkedNoHex", Made::ByUserMarked, ".chat.mrfy.mrfyc-0000abcg", false},
        LeftoverCase{"MarkedOtherLog", Made::ByUserMarked, ".b.mrfy.mrfyc-0000abcd", false},
        LeftoverCase{"UnixLinkOut", Made::AsUnixLink, ".chat.mrfy.mrfyc-0000beef", false}),
    [](const testing::TestParamInfo<LeftoverCase> &info) { return std::string(info.param.Name); });

// Killed at points spread over the copy: the log is the old bytes or header + old bytes, never
// anything else, and the new file vanishes with the process.
TEST(LogReplacement, KillLeavesOldOrNewLogAndNothingElse)
{
    constexpr std::uint64_t kSize = std::uint64_t{64} << 20;
    constexpr int kPoints = 8;
    TestFolder folder;
    const std::string path = folder.Path("killed.mrfy");
    test::WritePattern(path, kSize);
    int killedMidCopy = 0;
    for (int point = 0; point < kPoints; ++point) {
        const std::uint64_t killAt = kSize * static_cast<std::uint64_t>(point) / kPoints;
        bool patched = false;
        {
            test::HelperProcess patch({"prepend", path, kHeader});
            for (;;) {
                const std::vector<std::string> names = folder.Names();
                std::uint64_t growing = 0;
                for (const std::string &name : names)
                    if (name != "killed.mrfy")
                        growing = std::max(growing, test::SizeOf(folder.Path(name)));
                if (growing > killAt || patch.Wait(0) != STILL_ACTIVE)
                    break;
                ::Sleep(1);
            }
            if (patch.Wait(0) == STILL_ACTIVE)
                ++killedMidCopy;
            patch.Kill();
            patched = patch.Wait(0) == 0;
        }
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"killed.mrfy"}) << "point " << point;
        const bool old = test::HoldsPrefixAndPattern(path, "", kSize);
        const bool whole = test::HoldsPrefixAndPattern(path, kHeader, kSize);
        ASSERT_TRUE(old || whole) << "point " << point;
        EXPECT_TRUE(old || patched) << "a killed patch finished, yet said nothing";
        if (whole)
            test::WritePattern(path, kSize);
    }
    std::printf("killed mid-copy %d of %d times\n", killedMidCopy, kPoints);
    EXPECT_GT(killedMidCopy, 0) << "never caught the copy running";
}

// Runs only inside full_disk.sh, which makes a small tmpfs and names its Wine drive here.
class FullDisk : public testing::Test
{
protected:
    void SetUp() override
    {
        const char *drive = std::getenv("MRFYC_FULL_DISK");
        if (!drive)
            GTEST_SKIP() << "no small disk given (MRFYC_FULL_DISK)";
        m_root = drive;
    }

    std::uint64_t FreeBytes() const
    {
        ULARGE_INTEGER free = {};
        ::GetDiskFreeSpaceExW(test::Wide(m_root).c_str(), &free, nullptr, nullptr);
        return free.QuadPart;
    }

    std::string m_root;
};

// No room beyond the log, room for half the new file, room for all but its last block: the
// old log stays byte for byte and nothing is left beside it.
TEST_F(FullDisk, LeavesTheOldLogWhole)
{
    const std::uint64_t logSize = FreeBytes() / 3;
    const std::string path = m_root + "full.mrfy";
    test::WritePattern(path, logSize);
    for (const std::uint64_t room : {std::uint64_t{0}, logSize / 2, logSize - kBlock}) {
        const std::string filler = m_root + "filler";
        test::WriteWhole(filler, "");
        const std::uint64_t free = FreeBytes();
        if (free > room)
            test::WritePattern(filler, free - room);
        try {
            LogReplacement log(path);
            log.Open();
            log.Prepend(kHeader);
            ADD_FAILURE() << "no error with room for " << room;
        } catch (const EWriteError &error) {
            EXPECT_EQ(error.Message(), "ストリームへの書き込みエラー");
            EXPECT_EQ(error.SystemError(), ERROR_DISK_FULL);
        }
        EXPECT_TRUE(test::HoldsPrefixAndPattern(path, "", logSize)) << room;
        ::DeleteFileW(test::Wide(filler).c_str());
        WIN32_FIND_DATAW found = {};
        const HANDLE search = ::FindFirstFileW(test::Wide(m_root + "*").c_str(), &found);
        int names = 0;
        do {
            const std::wstring name = found.cFileName;
            names += name != L"." && name != L"..";
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
        EXPECT_EQ(names, 1) << "left beside the log with room for " << room;
    }
}

} // namespace
} // namespace mrfyc
