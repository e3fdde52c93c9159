// SPDX-License-Identifier: MIT
#include "rules/header_fields.h"
#include "rules/main_window_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace mrfyc::test {
namespace {

struct ScalingCase
{
    const char *Name;
    int TextHeight;
    int DesignTextHeight;
    Rect ExpectedButton;
    Rect ExpectedFileLabel;
};

class MainWindowScaling : public testing::TestWithParam<ScalingCase>
{
};

const Rect &DesignPlace(std::string_view name)
{
    for (const auto *table : {&kTabStops, &kLabels}) {
        const auto found = std::find_if(table->begin(), table->end(),
                                        [name](const ControlPlace &c) { return c.Name == name; });
        if (found != table->end())
            return found->Bounds;
    }
    throw std::out_of_range(std::string(name));
}

TEST_P(MainWindowScaling, ControlsFollowTheFontByTheirEdges)
{
    const ScalingCase &row = GetParam();
    EXPECT_EQ(ScaledPlace(DesignPlace("btnPut"), row.TextHeight, row.DesignTextHeight),
              row.ExpectedButton);
    EXPECT_EQ(ScaledPlace(DesignPlace("lblFile"), row.TextHeight, row.DesignTextHeight),
              row.ExpectedFileLabel);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MainWindowScaling,
    testing::Values(
        ScalingCase{"Design", 12, 12, {244, 168, 75, 25}, {4, 8, 349, 37}},
        ScalingCase{"At120", 15, 12, {305, 210, 94, 31}, {5, 10, 436, 46}},
        // Edges at 478.5, 289.5 and 67.5 round away from zero.
        ScalingCase{"At144", 18, 12, {366, 252, 113, 38}, {6, 12, 524, 56}},
        // A font whose "0" is taller than its pixel size even at 96: only a change counts.
        ScalingCase{"SameAsDesignFont", 13, 13, {244, 168, 75, 25}, {4, 8, 349, 37}},
        ScalingCase{"NoDesignHeight", 15, 0, {244, 168, 75, 25}, {4, 8, 349, 37}}),
    [](const auto &info) { return std::string(info.param.Name); });

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
