// SPDX-License-Identifier: MIT
#include "rules/header_settings.h"
#include "tests/support/expected_texts.h"

#include <gtest/gtest.h>

namespace mrfyc::test {
namespace {

// Seven lines with CR LF, width before height: 107 bytes with the defaults, 116 with the maxima,
// 99 with the minima; "%d" shows a negative value as it is. What is written reads as a header.
TEST(HeaderText, HasTheSevenLinesWithWidthBeforeHeight)
{
    const struct
    {
        THeaderSettings Settings;
        std::string_view Values; // the four lines after the layer lines
    } rows[] = {
        {THeaderSettings{},
         "image_width=900\r\nimage_height=1200\r\ncount_lines=6000\r\nquality=1\r\n"},
        {THeaderSettings{65536, 65536, 2147483647, 9},
         "image_width=65536\r\nimage_height=65536\r\ncount_lines=2147483647\r\nquality=9\r\n"},
        {THeaderSettings{0, 0, 0, 1},
         "image_width=0\r\nimage_height=0\r\ncount_lines=0\r\nquality=1\r\n"},
        {THeaderSettings{-5, 7, -2147483647 - 1, -1},
         "image_width=-5\r\nimage_height=7\r\ncount_lines=-2147483648\r\nquality=-1\r\n"}};
    for (const auto &row : rows) {
        const std::string text = BuildHeaderText(row.Settings);
        EXPECT_EQ(text,
                  "layer_count=2\r\nlayer_max=2\r\nlayer_last=2\r\n" + std::string(row.Values));
        EXPECT_TRUE(BeginsWithHeader(text + "log")) << text;
    }
}

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
        HeaderCase{"HeaderAlone", kDefault, true},
        HeaderCase{"TwoHeaders", kDefault + kDefault, true},
        HeaderCase{"OtherLayerValues", Replaced(kDefault, "layer_max=2", "layer_max=-70"), true},
        HeaderCase{"LineFeedsOnly", Replaced(kDefault, "\r\n", "\n"), false},
        HeaderCase{"NoValue", Replaced(kDefault, "quality=1", "quality="), false},
        HeaderCase{"ColonForEqualsSign", Replaced(kDefault, "quality=1", "quality:1"), false},
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

// Every line at its widest value still fits in the bytes a reader takes.
TEST(HeaderRecognitionPrefix, LongestHeaderFitsTheBytesRead)
{
    const std::int32_t lowest = -2147483647 - 1;
    std::string longest = ExpectedHeader(lowest, lowest, lowest, lowest);
    for (int line = 0; line < 3; ++line)
        longest = Replaced(longest, "=2\r\n", "=-2147483648\r\n");
    EXPECT_LE(longest.size(), kLongestHeader);
    EXPECT_TRUE(BeginsWithHeader(longest.substr(0, kLongestHeader)));
}

} // namespace
} // namespace mrfyc::test
