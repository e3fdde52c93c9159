#include "core/header_settings.h"

#include <gtest/gtest.h>

namespace mrfyc {
namespace {

constexpr std::string_view kLayerLines = "layer_count=2\r\nlayer_max=2\r\nlayer_last=2\r\n";

struct THeaderCase
{
    const char *Name;
    THeaderSettings Settings;
    std::string_view Values; // the four lines after the layer lines
    std::size_t Size;
};

class HeaderText : public testing::TestWithParam<THeaderCase>
{
};

TEST_P(HeaderText, HasTheSevenLinesWithWidthBeforeHeight)
{
    const THeaderCase &row = GetParam();
    const std::string text = BuildHeaderText(row.Settings);
    EXPECT_EQ(text, std::string(kLayerLines) + std::string(row.Values));
    EXPECT_EQ(text.size(), row.Size);
}

INSTANTIATE_TEST_SUITE_P(
    Values, HeaderText,
    testing::Values(
        THeaderCase{"Defaults", THeaderSettings{},
                    "image_width=900\r\nimage_height=1200\r\ncount_lines=6000\r\nquality=1\r\n",
                    107},
        THeaderCase{"Maxima", THeaderSettings{65536, 65536, 2147483647, 9},
                    "image_width=65536\r\nimage_height=65536\r\ncount_lines=2147483647\r\n"
                    "quality=9\r\n",
                    116},
        THeaderCase{"Minima", THeaderSettings{0, 0, 0, 1},
                    "image_width=0\r\nimage_height=0\r\ncount_lines=0\r\nquality=1\r\n", 99},
        THeaderCase{"Negative", THeaderSettings{-5, 7, -2147483647 - 1, -1},
                    "image_width=-5\r\nimage_height=7\r\ncount_lines=-2147483648\r\n"
                    "quality=-1\r\n",
                    111}),
    [](const testing::TestParamInfo<THeaderCase> &info) { return info.param.Name; });

} // namespace
} // namespace mrfyc
