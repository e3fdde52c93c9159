// SPDX-License-Identifier: MIT
// Paths that are not a plain log: each gets a clear error and leaves everything as it was, or,
// when it names a log after all, is patched like any other.
#include "tests/support/child_process.h"
#include "tests/support/expected_texts.h"
#include "tests/support/large_log.h"
#include "tests/support/linux/folder_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <functional>
#include <ostream>
#include <string>

namespace mrfyc::test {
namespace {

constexpr std::string_view kOldLog = "old contents\r\nof a log\r\n";

enum class Outcome
{
    Patched,     // exit 0, "修正しました", the named log holds header + old contents
    OpenError,   // exit 1, "ファイル %s は開けません.", nothing changed
    CreateError, // exit 1, "ファイル %s を作成できません.", nothing changed
};

struct BadInputCase
{
    const char *name;
    // Makes the entry in folder and returns the path to give the patcher.
    std::function<std::string(const std::string &folder)> make;
    Outcome outcome;
    // For Patched: the file whose contents change (relative to folder), when not the path itself.
    const char *patchedFile = nullptr;
};

void PrintTo(const BadInputCase &test, std::ostream *out)
{
    *out << test.name;
}

std::string MakeLogNamed(const std::string &folder, const std::string &name)
{
    WriteFile(folder + "/" + name, kOldLog);
    return folder + "/" + name;
}

class BadInput : public ::testing::TestWithParam<BadInputCase>
{
};

TEST_P(BadInput, ClearErrorAndNothingChangedOrPatched)
{
    const BadInputCase &test = GetParam();
    PatcherFolder scratch;
    const std::string folder = scratch.Path("logs");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = test.make(folder);
    if (path.empty())
        GTEST_SKIP() << "this system cannot make the entry";
    const std::string patched = test.patchedFile ? folder + "/" + test.patchedFile : path;
    const std::string oldContents = test.outcome == Outcome::Patched ? ReadFile(patched) : "";
    auto before = Snapshot(folder);

    // A patcher that blocks (on a FIFO, say) is killed at the timeout and fails here.
    ChildOptions options;
    options.Timeout = std::chrono::seconds(20);
    const ChildResult run = RunPatcher(scratch, {path}, options);

    ASSERT_FALSE(run.TimedOut) << "the patcher hung";
    ASSERT_TRUE(run.Exited()) << run.Output();
    switch (test.outcome) {
    case Outcome::Patched: {
        EXPECT_EQ(run.ExitCode, 0) << run.Output();
        EXPECT_NE(run.Output().find(path), std::string::npos) << run.Output();
        EXPECT_NE(run.Output().find(kPatched), std::string::npos) << run.Output();
        EXPECT_EQ(ReadFile(patched), ExpectedHeader() + oldContents);
        // Everything else, a symbolic link included, stays as it was.
        auto after = Snapshot(folder);
        before.erase(patched.substr(folder.size() + 1));
        after.erase(patched.substr(folder.size() + 1));
        EXPECT_EQ(after, before) << "something else changed beside the log";
        break;
    }
    case Outcome::OpenError:
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_NE(run.Output().find(OpenErrorLine(path)), std::string::npos) << run.Output();
        EXPECT_EQ(Snapshot(folder), before);
        break;
    case Outcome::CreateError:
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_NE(run.Output().find(CreateErrorLine(path)), std::string::npos) << run.Output();
        EXPECT_EQ(Snapshot(folder), before);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patcher, BadInput,
    ::testing::Values(
        BadInputCase{"MissingLog", [](const std::string &f) { return f + "/missing.mrfy"; },
                     Outcome::OpenError},
        BadInputCase{"Folder",
                     [](const std::string &f) {
                         ::mkdir((f + "/folder.mrfy").c_str(), 0755);
                         return f + "/folder.mrfy";
                     },
                     Outcome::OpenError},
        BadInputCase{"ThroughMissingFolder",
                     [](const std::string &f) { return f + "/no such folder/a.mrfy"; },
                     Outcome::OpenError},
        BadInputCase{"NameTooLong",
                     [](const std::string &f) { return f + "/" + std::string(300, 'n') + ".mrfy"; },
                     Outcome::OpenError},
        BadInputCase{"PathTooLong",
                     [](const std::string &f) {
                         std::string path = f;
                         while (path.size() < 5000)
                             path += "/" + std::string(200, 'd');
                         return path + "/a.mrfy";
                     },
                     Outcome::OpenError},
        // Valid POSIX names: a newline, bytes that are no UTF-8, a CP932 character ending in
        // 0x5C (表). They are logs like any other.
        BadInputCase{"NewlineInName",
                     [](const std::string &f) { return MakeLogNamed(f, "two\nlines.mrfy"); },
                     Outcome::Patched},
        BadInputCase{"InvalidUtf8Name",
                     [](const std::string &f) { return MakeLogNamed(f, "\xff\xfe\x80.tmp"); },
                     Outcome::Patched},
        BadInputCase{"Cp932NameEndingIn5C",
                     [](const std::string &f) { return MakeLogNamed(f, "\x95\x5c.tmp"); },
                     Outcome::Patched},
        BadInputCase{"EmptyLog",
                     [](const std::string &f) {
                         WriteFile(f + "/empty.mrfy", "");
                         return f + "/empty.mrfy";
                     },
                     Outcome::Patched},
        BadInputCase{"Fifo",
                     [](const std::string &f) {
                         ::mkfifo((f + "/pipe.mrfy").c_str(), 0644);
                         return f + "/pipe.mrfy";
                     },
                     Outcome::OpenError},
        // Major 1, minor 3 is the null device; a private node, so a fault cannot hit /dev/null.
        BadInputCase{"DeviceFile",
                     [](const std::string &f) {
                         const std::string node = f + "/null.mrfy";
                         return ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0
                                    ? node
                                    : std::string();
                     },
                     Outcome::OpenError},
        BadInputCase{"ReadOnlyLog",
                     [](const std::string &f) {
                         const std::string path = MakeLogNamed(f, "locked.mrfy");
                         ::chmod(path.c_str(), 0444);
                         return path;
                     },
                     Outcome::CreateError},
        BadInputCase{"SymlinkToLog",
                     [](const std::string &f) {
                         MakeLogNamed(f, "target.mrfy");
                         ::symlink("target.mrfy", (f + "/link.mrfy").c_str());
                         return f + "/link.mrfy";
                     },
                     Outcome::Patched, "target.mrfy"},
        BadInputCase{"DanglingSymlink",
                     [](const std::string &f) {
                         ::symlink("gone.mrfy", (f + "/dangling.mrfy").c_str());
                         return f + "/dangling.mrfy";
                     },
                     Outcome::OpenError}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace mrfyc::test
