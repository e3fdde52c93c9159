// SPDX-License-Identifier: MIT
#include "rules/errors.h"
#include "rules/header_settings.h"
#include "tests/support/expected_texts.h"
#include "tests/support/posix/folder_files.h"
#include "tools/header_check.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

struct UncheckableCase
{
    const char *Name;
    int SystemError;
};

class UncheckableFile : public HeaderInFile, public testing::WithParamInterface<UncheckableCase>
{
};

// The check reports what kept it from reading, and a FIFO without a writer does not hold it.
TEST_P(UncheckableFile, FailsWithTheOpenErrorAndItsReason)
{
    const std::string path = m_folder.Path(GetParam().Name);
    const int made = GetParam().SystemError == EISDIR   ? ::mkdir(path.c_str(), 0755)
                     : GetParam().SystemError == EINVAL ? ::mkfifo(path.c_str(), 0644)
                                                        : 0;
    ASSERT_EQ(made, 0);
    try {
        FileBeginsWithHeader(path);
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError &error) {
        EXPECT_EQ(error.Message(), FileOpenErrorText(path));
        EXPECT_EQ(error.SystemError(), GetParam().SystemError);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UncheckableFile,
                         testing::Values(UncheckableCase{"missing.mrfy", ENOENT},
                                         UncheckableCase{"folder.mrfy", EISDIR},
                                         UncheckableCase{"fifo.mrfy", EINVAL},
                                         UncheckableCase{"no/such/folder.mrfy", ENOENT}),
                         [](const testing::TestParamInfo<UncheckableCase> &info) {
                             std::string name = info.param.Name;
                             return name.substr(0, name.find_first_of("./"));
                         });

} // namespace
} // namespace mrfyc::test
