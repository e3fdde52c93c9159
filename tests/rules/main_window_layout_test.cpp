// SPDX-License-Identifier: MIT
#include "rules/header_fields.h"
#include "rules/main_window_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace mrfyc::test {
namespace {

struct ScalingCase
{
    int PixelsPerInch;
    Rect Outer;
    int FontHeight;
    Rect Button;
    Rect FileLabel;
    Rect QualityField;
};

class MainWindowScaling : public testing::TestWithParam<ScalingCase>
{
};

TEST_P(MainWindowScaling, WholeWindowInProportion)
{
    const ScalingCase &row = GetParam();
    const ScaledMainWindow window = MainWindowAt(row.PixelsPerInch);
    EXPECT_EQ(window.Outer, row.Outer);
    EXPECT_EQ(window.FontHeight, row.FontHeight);
    EXPECT_EQ(window.TabStops[0], row.Button);
    EXPECT_EQ(window.Labels[0], row.FileLabel);
    EXPECT_EQ(window.TabStops[4], row.QualityField);
}

// Edges at half a pixel (478.5, 289.5, 67.5; 262.5, 462.5) round away from zero.
const ScalingCase kScales[] = {
    {96, {210, 77, 370, 251}, -12, {244, 168, 75, 25}, {4, 8, 349, 37}, {200, 120, 121, 21}},
    {120, {263, 96, 463, 314}, -15, {305, 210, 94, 31}, {5, 10, 436, 46}, {250, 150, 151, 26}},
    {144, {315, 116, 555, 377}, -18, {366, 252, 113, 38}, {6, 12, 524, 56}, {300, 180, 182, 32}},
    {192, {420, 154, 740, 502}, -24, {488, 336, 150, 50}, {8, 16, 698, 74}, {400, 240, 242, 42}},
};

INSTANTIATE_TEST_SUITE_P(Cases, MainWindowScaling, testing::ValuesIn(kScales),
                         [](const auto &info) { return std::to_string(info.param.PixelsPerInch); });

TEST(MainWindowTabOrder, RunsFromTheButtonThroughTheFieldsAndRoundAgain)
{
    std::string forward;
    std::size_t index = 0;
    for (std::size_t step = 0; step <= kTabStops.size(); ++step) {
        forward += std::string(kTabStops[index].Name) + " ";
        index = NextTabStop(index, false);
    }
    EXPECT_EQ(forward, "btnPut UdH UdW Udl UdQ btnPut ");
    EXPECT_EQ(NextTabStop(0, true), 4u);
    EXPECT_EQ(NextTabStop(3, true), 2u);
    // A focus outside the tab stops starts again at the button.
    EXPECT_EQ(NextTabStop(kTabStops.size(), false), 0u);
}

TEST(MainWindowTabOrder, FieldsAreTheHeaderFields)
{
    for (const HeaderField &field : kHeaderFields)
        EXPECT_EQ(std::count_if(
                      kTabStops.begin(), kTabStops.end(),
                      [&](const ControlPlace &c) { return c.Name == field.Control; }),
                  1)
            << field.Control;
}

} // namespace
} // namespace mrfyc::test
