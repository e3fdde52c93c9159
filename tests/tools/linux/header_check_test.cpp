// SPDX-License-Identifier: MIT
#include "rules/errors.h"
#include "tests/support/expected_texts.h"
#include "tests/support/linux/folder_files.h"
#include "tools/header_check.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc::test {
namespace {

const std::string kDefault = ExpectedHeader();

class HeaderInFile : public testing::Test
{
protected:
    TestFolder m_folder;
};

TEST_F(HeaderInFile, ReadsOnlyTheStartAndChangesNothing)
{
    const std::string log = m_folder.Path("a.mrfy");
    const std::string contents = kDefault + PatternBytes(100000);
    WriteFile(log, contents);
    EXPECT_TRUE(FileBeginsWithHeader(log));
    EXPECT_TRUE(ReadFile(log) == contents);
    WriteFile(log, "");
    EXPECT_FALSE(FileBeginsWithHeader(log));
    WriteFile(log, kDefault.substr(0, 20));
    EXPECT_FALSE(FileBeginsWithHeader(log));
    WriteFile(log, PatternBytes(1000) + kDefault);
    EXPECT_FALSE(FileBeginsWithHeader(log));
}

constexpr uid_t kNobody = 65534;

struct UncheckableCase
{
    const char *Name;
    const char *Path; // below the test folder
    void (*Make)(const std::string &folder);
    int SystemError;
    bool NeedsRoot = false; // to give a link to another user
};

class UncheckableFile : public HeaderInFile, public testing::WithParamInterface<UncheckableCase>
{
};

// The check reports what kept it from reading, and opens nothing but a plain file: a FIFO or a
// device is only looked at (opening one can block, release its writer or make a terminal), and
// another user's link is not followed.
TEST_P(UncheckableFile, FailsWithTheOpenErrorAndOpensNothing)
{
    const UncheckableCase &row = GetParam();
    if (row.NeedsRoot && ::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    const std::string path = m_folder.Path(row.Path);
    row.Make(m_folder.Path());
    const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(opens, m_folder.Path().c_str(), IN_OPEN), 0);
    try {
        FileBeginsWithHeader(path);
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError &error) {
        EXPECT_EQ(error.Message(), FileOpenErrorText(path));
        EXPECT_EQ(error.SystemError(), row.SystemError);
    }
    alignas(inotify_event) char events[4096];
    const ssize_t size = ::read(opens, events, sizeof events);
    for (ssize_t at = 0; at < size;) {
        const auto *event = reinterpret_cast<const inotify_event *>(events + at);
        EXPECT_TRUE(event->mask & IN_ISDIR) << "opened " << event->name;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    ::close(opens);
}

// A link of nobody's to a file or folder of root's.
void MakeNobodysLink(const std::string &target, const std::string &link)
{
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_EQ(::lchown(link.c_str(), kNobody, kNobody), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UncheckableFile,
    testing::Values(UncheckableCase{"Missing", "missing.mrfy", [](const std::string &) {}, ENOENT},
                    UncheckableCase{"Folder", "folder.mrfy",
                                    [](const std::string &f) {
                                        ASSERT_EQ(::mkdir((f + "folder.mrfy").c_str(), 0755), 0);
                                    },
                                    EISDIR},
                    UncheckableCase{"Fifo", "fifo.mrfy",
                                    [](const std::string &f) {
                                        ASSERT_EQ(::mkfifo((f + "fifo.mrfy").c_str(), 0644), 0);
                                    },
                                    EINVAL},
                    UncheckableCase{"LinkToATerminalMaker", "ptmx.mrfy",
                                    [](const std::string &f) {
                                        ASSERT_EQ(::symlink("/dev/ptmx", (f + "ptmx.mrfy").c_str()),
                                                  0);
                                    },
                                    EINVAL},
                    UncheckableCase{"NoSuchFolder", "no/such/folder.mrfy",
                                    [](const std::string &) {}, ENOENT},
                    UncheckableCase{"SomeoneElsesLink", "link.mrfy",
                                    [](const std::string &f) {
                                        WriteFile(f + "roots.mrfy", ExpectedHeader());
                                        MakeNobodysLink("roots.mrfy", f + "link.mrfy");
                                    },
                                    EACCES, true},
                    UncheckableCase{"SomeoneElsesFolderLink", "d/roots.mrfy",
                                    [](const std::string &f) {
                                        ASSERT_EQ(::mkdir((f + "private").c_str(), 0700), 0);
                                        WriteFile(f + "private/roots.mrfy", ExpectedHeader());
                                        MakeNobodysLink("private", f + "d");
                                    },
                                    EACCES, true}),
    [](const testing::TestParamInfo<UncheckableCase> &info) { return info.param.Name; });

} // namespace
} // namespace mrfyc::test
