// SPDX-License-Identifier: MIT
#include "rules/spin_field_geometry.h"

#include <gtest/gtest.h>

namespace mrfyc {
namespace {

TEST(SpinFieldGeometry, ArrowsShareOneRowTheLowerTakesTheOddPixel)
{
    EXPECT_EQ(PlaceArrows({15, 16}).Up, (Rect{0, 0, 15, 8}));
    EXPECT_EQ(PlaceArrows({15, 16}).Down, (Rect{0, 7, 15, 9}));
    EXPECT_EQ(PlaceArrows({20, 25}).Up, (Rect{0, 0, 20, 12}));
    EXPECT_EQ(PlaceArrows({20, 25}).Down, (Rect{0, 11, 20, 14}));
}

// Text height, system text height, border: the least height and AutoSize's, framed and not.
TEST(SpinFieldGeometry, HeightsFromTheFontMeasureTheSmallerText)
{
    EXPECT_EQ(SpinFieldMinimumHeight(12, 16, 1), 21);
    EXPECT_EQ(SpinFieldMinimumHeight(20, 16, 1), 30); // a large font measured by the system's
    EXPECT_EQ(SpinFieldMinimumHeight(12, 16, 2), 25);
    EXPECT_EQ(SpinFieldAutoSizeHeight(12, 1, true), 20);
    EXPECT_EQ(SpinFieldAutoSizeHeight(12, 1, false), 18);
}

struct PairCase
{
    Size field;
    int clientWidth, pairWidth;
    bool framed;
    Rect pair;
    int textRight;
};

class PlaceSpinPairTest : public ::testing::TestWithParam<PairCase>
{
};

TEST_P(PlaceSpinPairTest, PairInsideTheRightEdgeTextLeftOfIt)
{
    const PairCase &c = GetParam();
    const SpinPairPlace place = PlaceSpinPair(c.field, c.clientWidth, c.pairWidth, c.framed);
    EXPECT_EQ(place.Pair, c.pair);
    EXPECT_EQ(place.TextRight, c.textRight);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PlaceSpinPairTest,
    ::testing::Values(PairCase{{121, 21}, 117, 15, true, {101, 0, 15, 16}, 100}, // main window
                      PairCase{{200, 30}, 196, 15, true, {180, 0, 15, 25}, 179},
                      PairCase{{121, 21}, 121, 15, false, {106, 1, 15, 18}, 104},
                      PairCase{{121, 21}, 117, 9, true, {101, 0, 15, 16}, 100},    // widened
                      PairCase{{181, 32}, 177, 23, true, {153, 0, 23, 27}, 152})); // 144 dpi

TEST(SpinFieldGeometry, PairWidthScalesWithThePixelDensity)
{
    EXPECT_EQ(SpinPairWidth(96), kSpinPairWidth);
    EXPECT_EQ(SpinPairWidth(144), 23);
    EXPECT_EQ(SpinPairWidth(192), 30);
}

} // namespace
} // namespace mrfyc
