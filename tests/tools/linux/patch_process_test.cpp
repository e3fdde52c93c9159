// SPDX-License-Identifier: MIT
// The patcher as a separate process, where a test needs what only a process can have: a log past
// 2 GiB in little memory, a tight address space, another user, no /proc, the locale's texts, a
// lock held by someone else. Failing calls and full disks are the fault suite's.
#include "tests/support/expected_texts.h"
#include "tests/support/patch_run.h"

#include <climits>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace mrfyc::test {
namespace {

using PatchProcess = PatchRun;

// An empty file at path, locked through a descriptor of its own until that is closed.
int HeldEmptyFile(const std::string &path, int operation)
{
    WriteFile(path, "");
    const int holder = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(::flock(holder, operation), 0);
    return holder;
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
    const ChildResult result = Patch();
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_LT(result.MaxResidentKiB, 64 * 1024);
    const int log = ::open(Log().c_str(), O_RDONLY | O_CLOEXEC);
    std::string start(ExpectedHeader().size() + 4096, '\0');
    char end[4] = {};
    EXPECT_EQ(::pread(log, start.data(), start.size(), 0), static_cast<ssize_t>(start.size()));
    EXPECT_EQ(
        ::pread(log, end, sizeof end, kSize + static_cast<off_t>(ExpectedHeader().size()) - 3), 3);
    ::close(log);
    EXPECT_TRUE(start == ExpectedHeader() + m_old.substr(0, 4096));
    EXPECT_STREQ(end, "END");
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
}

// Two patches at once must not read each other's header from "Temp.txt": the second waits.
TEST_F(PatchProcess, WaitsWhileAnotherPatchUsesTheScratchFile)
{
    const int holder = HeldEmptyFile(Scratch(), LOCK_EX);
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
    const int holder = HeldEmptyFile(Scratch(), LOCK_SH);
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
    EXPECT_EQ(result.Out, Log() + ": " + std::string(kPatched) + "\n");
    EXPECT_EQ(ReadFile(Scratch()), ExpectedHeader());
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
    EXPECT_TRUE(ReadFile(Log()) == ExpectedHeader() + m_old);
}

// Started through the dynamic loader, the running image is the loader: the scratch file still
// goes beside the program, never into the loader's folder (a system folder root may write).
TEST_F(PatchProcess, StartedThroughTheLoaderTheScratchFileStaysBesideTheProgram)
{
    char loader[PATH_MAX] = {};
    const std::string interpreter = "/lib64/ld-linux-x86-64.so.2";
    if (::access(interpreter.c_str(), X_OK) != 0 ||
        ::realpath(interpreter.c_str(), loader) == nullptr)
        GTEST_SKIP() << "no x86-64 loader to start the patcher through";
    const std::string loaderScratch =
        std::string(loader).substr(0, std::string(loader).rfind('/') + 1) + "Temp.txt";
    const bool scratchWasThere = ::access(loaderScratch.c_str(), F_OK) == 0;
    const std::string plain = m_folder.Path("bin/mrfyc-patch-plain");
    WriteFile(plain, ReadFile(MRFYC_PLAIN_PATCH_PATH), 0755);
    const ChildResult result = RunChild({interpreter, plain, Log()});
    const bool scratchIsThere = ::access(loaderScratch.c_str(), F_OK) == 0;
    if (!scratchWasThere && scratchIsThere)
        ::unlink(loaderScratch.c_str());
    EXPECT_FALSE(!scratchWasThere && scratchIsThere) << "wrote " << loaderScratch;
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, Log() + ": " + std::string(kPatched) + "\n");
    EXPECT_EQ(ReadFile(Scratch()), ExpectedHeader());
    EXPECT_TRUE(ReadFile(Log()) == ExpectedHeader() + m_old);
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
            EXPECT_EQ(contents, ExpectedHeader() + "old");
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

class AsNobodyUser : public NobodyRun
{
};

// Someone who may write a log but not its folder, or who does not own the log, rewrites it in
// place; owner and mode stay.
TEST_P(AsNobodyUser, KeepsTheLogOrPatchesItWithOwnerAndMode)
{
    if (const std::string why = WhyNot(); !why.empty())
        GTEST_SKIP() << why;
    PatchAndExpectTheRow();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AsNobodyUser,
    testing::Values(
        NobodyCase{"InPlaceSetuid", 06775, true, kPatched},
        // Writing to a file one does not own is allowed, giving a new file its owner is not.
        NobodyCase{"SomeoneElsesLog", 0666, false, kPatched, {}, 0777},
        // A write by nobody would clear the bits, and only the owner may set them again.
        NobodyCase{
            "SomeoneElsesSetuidLog", 06666, false, "ファイル {log} を作成できません.", {}, 0777}),
    [](const testing::TestParamInfo<NobodyCase> &info) { return info.param.Name; });

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
