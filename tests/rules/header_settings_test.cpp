// SPDX-License-Identifier: MIT
#include "rules/header_settings.h"

#include <gtest/gtest.h>

namespace mrfyc {
namespace {

// Seven lines with CR LF, width before height: 107 bytes with the defaults, 116 with the maxima,
// 99 with the minima; "%d" shows a negative value as it is.
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
        EXPECT_EQ(BuildHeaderText(row.Settings),
                  "layer_count=2\r\nlayer_max=2\r\nlayer_last=2\r\n" + std::string(row.Values));
    }
}

} // namespace
} // namespace mrfyc
