// SPDX-License-Identifier: MIT
#include "rules/errors.h"
#include "rules/header_settings.h"
#include "tests/support/expected_texts.h"
#include "tests/support/posix/folder_files.h"
#include "tools/header_check.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc::test {
namespace {

const std::string kDefault = ExpectedHeader();

struct HeaderCase
{
    const char *Name;
    std::string Bytes;
    bool IsHeader;
};

class HeaderRecognition : public testing::TestWithParam<HeaderCase>
{
};

TEST_P(HeaderRecognition, TellsAHeaderFromALog)
{
    EXPECT_EQ(BeginsWithHeader(GetParam().Bytes), GetParam().IsHeader);
}

std::string Replaced(std::string text, std::string_view from, std::string_view to)
{
    text.replace(text.find(from), from.size(), to);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderRecognition,
    testing::Values(
        HeaderCase{"Empty", "", false}, HeaderCase{"HeaderAlone", kDefault, true},
        HeaderCase{"HeaderAndLog", kDefault + "log\r\nbytes", true},
        HeaderCase{"TwoHeaders", kDefault + kDefault, true},
        HeaderCase{"OtherValues", ExpectedHeader(0, 65536, 2147483647, 9) + "x", true},
        HeaderCase{"NegativeValues", ExpectedHeader(-1, -2147483647 - 1, -5, 1), true},
        HeaderCase{"LineFeedsOnly", Replaced(kDefault, "\r\n", "\n"), false},
        HeaderCase{"LastLineWithoutEnd", kDefault.substr(0, kDefault.size() - 2), false},
        HeaderCase{"LastLineWithoutLineFeed", kDefault.substr(0, kDefault.size() - 1), false},
        HeaderCase{"NoValue", Replaced(kDefault, "quality=1", "quality="), false},
        HeaderCase{"ElevenDigits", Replaced(kDefault, "=6000", "=12345678901"), false},
        HeaderCase{"PlusSign", Replaced(kDefault, "=900", "=+900"), false},
        HeaderCase{"MinusAlone", Replaced(kDefault, "=900", "=-"), false},
        HeaderCase{"SpaceInValue", Replaced(kDefault, "=900", "= 900"), false},
        HeaderCase{"LetterAfterValue", Replaced(kDefault, "=900", "=900x"), false},
        HeaderCase{"KeyInCapitals", Replaced(kDefault, "quality", "Quality"), false},
        HeaderCase{"LeadingByte", " " + kDefault, false},
        HeaderCase{"LeadingByteOrderMark", "\xEF\xBB\xBF" + kDefault, false},
        HeaderCase{"KeysSwapped",
                   "layer_count=2\r\nlayer_max=2\r\nlayer_last=2\r\nimage_height=1200\r\n"
                   "image_width=900\r\ncount_lines=6000\r\nquality=1\r\n",
                   false},
        HeaderCase{"SixLines", kDefault.substr(0, kDefault.find("quality=")) + "log", false}),
    [](const testing::TestParamInfo<HeaderCase> &info) { return info.param.Name; });

// A file cut anywhere inside its header is no header.
TEST(HeaderRecognitionPrefix, NoProperPrefixOfAHeaderIsOne)
{
    const std::string header = ExpectedHeader(12, 345, 6789, 2);
    for (std::size_t size = 0; size < header.size(); ++size)
        EXPECT_FALSE(BeginsWithHeader(header.substr(0, size))) << size;
}

TEST(HeaderRecognitionPrefix, LongestHeaderFitsTheBytesRead)
{
    const std::int32_t lowest = -2147483647 - 1;
    const std::string longest = ExpectedHeader(lowest, lowest, lowest, lowest);
    EXPECT_LE(longest.size() + 3 * 9, kLongestHeader); // the three fixed lines at 11 digits
    EXPECT_TRUE(BeginsWithHeader(longest));
}

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
