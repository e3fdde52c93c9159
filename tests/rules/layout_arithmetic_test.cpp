// SPDX-License-Identifier: MIT
#include "rules/layout_scaling.h"
#include "rules/message_layout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace mrfyc {

// Failure messages name the numbers, not bytes.
void PrintTo(const Point &point, std::ostream *out)
{
    *out << '(' << point.X << ", " << point.Y << ')';
}

void PrintTo(const Size &size, std::ostream *out)
{
    *out << size.Width << 'x' << size.Height;
}

void PrintTo(const Rect &rect, std::ostream *out)
{
    *out << rect.Width << 'x' << rect.Height << '+' << rect.Left << '+' << rect.Top;
}

namespace test {
namespace {

struct MulDivCase
{
    const char *Name;
    int Number;
    int Numerator;
    int Denominator;
    int Expected;
};

class MulDivRounding : public testing::TestWithParam<MulDivCase>
{
};

TEST_P(MulDivRounding, HalvesAwayFromZero)
{
    const MulDivCase &row = GetParam();
    EXPECT_EQ(MulDiv(row.Number, row.Numerator, row.Denominator), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MulDivRounding,
                         testing::Values(MulDivCase{"QuarterDown", 10, 13, 8, 16},     // 16.25
                                         MulDivCase{"HalfUp", 50, 7, 4, 88},           // 87.5
                                         MulDivCase{"ThreeQuartersUp", 14, 13, 8, 23}, // 22.75
                                         MulDivCase{"NegativeHalfAway", -50, 7, 4, -88},
                                         MulDivCase{"NoOverflow", 2000000000, 3, 4, 1500000000},
                                         MulDivCase{"DivideByZero", 5, 5, 0, -1}),
                         [](const auto &info) { return std::string(info.param.Name); });

struct MessageCase
{
    const char *Name;
    MessageMetrics Metrics;
    Size Client;
    Rect Label;
    Rect Button;
};

class MessageArithmetic : public testing::TestWithParam<MessageCase>
{
};

TEST_P(MessageArithmetic, ClientLabelAndButton)
{
    const MessageCase &row = GetParam();
    const MessageLayout layout = LayOutMessage(row.Metrics);
    EXPECT_EQ(layout.client, row.Client);
    EXPECT_EQ(layout.label, row.Label);
    EXPECT_EQ(layout.button, row.Button);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageArithmetic,
    testing::Values(
        MessageCase{"Ax6Ay12", {6, 12, {72, 12}, 0}, {99, 72}, {12, 12, 72, 12}, {12, 39, 75, 21}},
        // 16.25 -> 16, 87.5 -> 88, 22.75 -> 23; the button centred with the odd pixel to the left.
        MessageCase{"Ax7Ay13", {7, 13, {72, 13}, 0}, {116, 78}, {14, 13, 72, 13}, {14, 42, 88, 23}},
        MessageCase{"ShortTextGetsTheMinimumButton",
                    {6, 12, {10, 12}, 20},
                    {99, 72},
                    {12, 12, 10, 12},
                    {12, 39, 75, 21}},
        MessageCase{"LongCaptionWidensTheButton",
                    {6, 12, {200, 24}, 81},
                    {224, 84},
                    {12, 12, 200, 24},
                    {71, 51, 81, 21}}),
    [](const auto &info) { return std::string(info.param.Name); });

struct CentringCase
{
    const char *Name;
    Rect Monitor;
    Size Outer;
    Point Expected;
};

class Centring : public testing::TestWithParam<CentringCase>
{
};

TEST_P(Centring, NeverOffTheMonitor)
{
    const CentringCase &row = GetParam();
    EXPECT_EQ(CentredOn(row.Monitor, row.Outer), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Centring,
    testing::Values(
        CentringCase{"Centred", {0, 0, 1280, 1024}, {101, 80}, {589, 472}},
        CentringCase{"TallerThanTheScreen", {0, 0, 800, 800}, {300, 1500}, {250, 0}},
        CentringCase{"WiderThanTheScreen", {0, 0, 800, 800}, {900, 100}, {0, 350}},
        CentringCase{"LargerThanASecondMonitor", {1280, -200, 640, 480}, {700, 500}, {1280, -200}}),
    [](const auto &info) { return std::string(info.param.Name); });

class CentringOneThirdDown : public testing::TestWithParam<CentringCase>
{
};

TEST_P(CentringOneThirdDown, AcrossAndOneThirdDownUnclamped)
{
    const CentringCase &row = GetParam();
    EXPECT_EQ(CentredOneThirdDown(row.Monitor, row.Outer), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CentringOneThirdDown,
    testing::Values(
        CentringCase{"FirstMonitor", {0, 0, 1280, 1024}, {600, 400}, {340, 208}},
        CentringCase{"SecondMonitorOddSizes", {1280, 0, 1920, 1080}, {601, 401}, {1280 + 659, 226}},
        CentringCase{"LargerThanTheMonitor", {0, 0, 800, 600}, {900, 900}, {-50, -100}}),
    [](const auto &info) { return std::string(info.param.Name); });

struct ScalingCase
{
    const char *Name;
    Rect Bounds;
    int Multiplier;
    int Divisor;
    Rect Expected;
};

class ScalingByEdges : public testing::TestWithParam<ScalingCase>
{
};

TEST_P(ScalingByEdges, KeepsNeighboursTouching)
{
    const ScalingCase &row = GetParam();
    EXPECT_EQ(ScaleByEdges(row.Bounds, row.Multiplier, row.Divisor), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScalingByEdges,
    testing::Values(ScalingCase{"BtnPutAt15To12", {244, 168, 75, 25}, 15, 12, {305, 210, 94, 31}},
                    ScalingCase{"LblFileAt15To12", {4, 8, 349, 37}, 15, 12, {5, 10, 436, 46}},
                    ScalingCase{"ShrinksAt9To12", {244, 168, 75, 25}, 9, 12, {183, 126, 56, 19}}),
    [](const auto &info) { return std::string(info.param.Name); });

} // namespace
} // namespace test
} // namespace mrfyc
