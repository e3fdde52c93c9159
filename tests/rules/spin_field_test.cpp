// SPDX-License-Identifier: MIT
#include "rules/spin_field.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

namespace mrfyc {
namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

// Bounds, the text before, the step (increment and direction) and the text it leaves.
struct StepCase
{
    SpinBounds bounds;
    std::string before;
    std::int32_t increment;
    SpinDirection direction;
    std::int32_t after;
};

void PrintTo(const StepCase &c, std::ostream *os)
{
    *os << c.bounds.MinValue << ".." << c.bounds.MaxValue << " \"" << c.before << "\" "
        << (c.direction == SpinDirection::Up ? "+" : "-") << c.increment;
}

class SteppedSpinValueTest : public ::testing::TestWithParam<StepCase>
{
};

TEST_P(SteppedSpinValueTest, StepsWithinTheBoundsWithoutWrapping)
{
    const StepCase &c = GetParam();
    EXPECT_EQ(SteppedSpinValue(c.before, c.increment, c.direction, c.bounds), c.after);
}

constexpr SpinBounds kHeight{0, 65536};
constexpr SpinBounds kLines{0, kMax32};
constexpr SpinBounds kQuality{1, 9};
constexpr SpinBounds kNoBounds{0, 0};
constexpr SpinBounds kFullRange{kMin32, kMax32};
constexpr SpinBounds kInverted{10, 5};
constexpr auto kUp = SpinDirection::Up;
constexpr auto kDown = SpinDirection::Down;

INSTANTIATE_TEST_SUITE_P(
    Steps, SteppedSpinValueTest,
    ::testing::Values(
        StepCase{kHeight, "1200", 1, kUp, 1201}, StepCase{kHeight, "1200", 1, kDown, 1199},
        StepCase{kHeight, "65536", 1, kUp, 65536}, StepCase{kHeight, "0", 1, kDown, 0},
        StepCase{kLines, "2147483647", 1, kUp, kMax32},
        StepCase{kFullRange, "-2147483648", 1, kDown, kMin32},
        StepCase{kFullRange, "2147483647", kMax32, kUp, kMax32},
        StepCase{kFullRange, "-2147483648", kMin32, kDown, 0},
        // A text that spells no number steps from MinValue.
        StepCase{kHeight, "1.5", 1, kUp, 1}, StepCase{kQuality, "", 1, kUp, 2},
        StepCase{kQuality, "", 1, kDown, 1}, StepCase{kHeight, "007", 1, kUp, 8},
        StepCase{kHeight, "$10", 1, kUp, 17}, StepCase{kQuality, "12", 1, kDown, 9},
        StepCase{kQuality, "5", 0, kUp, 5}, StepCase{kQuality, "5", -2, kUp, 3},
        StepCase{kQuality, "5", -2, kDown, 7},
        // No bounds: only the 32-bit range stops a step.
        StepCase{kNoBounds, "-7", 1, kDown, -8}, StepCase{kNoBounds, "2147483647", 1, kUp, kMax32},
        StepCase{kNoBounds, "-2147483648", 1, kDown, kMin32},
        StepCase{kNoBounds, "0", kMin32, kDown, kMax32}, StepCase{kLines, "5", kMax32, kUp, kMax32},
        StepCase{kFullRange, "-5", kMin32, kUp, kMin32}, StepCase{kInverted, "12", 1, kUp, 5},
        StepCase{kInverted, "3", 1, kUp, 10}));

// Bounds, a number, and the number bounded.
struct ClampCase
{
    SpinBounds bounds;
    std::int64_t value;
    std::int32_t bounded;
};

class ClampSpinValueTest : public ::testing::TestWithParam<ClampCase>
{
};

TEST_P(ClampSpinValueTest, TestsTheLowerBoundFirst)
{
    EXPECT_EQ(ClampSpinValue(GetParam().value, GetParam().bounds), GetParam().bounded);
}

INSTANTIATE_TEST_SUITE_P(Bounds, ClampSpinValueTest,
                         ::testing::Values(ClampCase{kQuality, 0, 1}, ClampCase{kQuality, 12, 9},
                                           ClampCase{kQuality, 5, 5}, ClampCase{kQuality, 1, 1},
                                           ClampCase{kQuality, 9, 9}, ClampCase{kInverted, 7, 10},
                                           ClampCase{kInverted, 12, 5}, ClampCase{kInverted, 3, 10},
                                           ClampCase{kInverted, 10, 5},
                                           ClampCase{kNoBounds, kMin32, kMin32},
                                           ClampCase{kNoBounds, kMax32, kMax32},
                                           ClampCase{SpinBounds{7, 7}, -5, -5},
                                           ClampCase{kNoBounds, std::int64_t{kMax32} + 1, kMax32},
                                           ClampCase{kNoBounds, std::int64_t{kMin32} - 1, kMin32},
                                           ClampCase{kLines, std::int64_t{kMax32} + 1, kMax32}));

// Bounds, the text when the focus leaves, and the text shown afterwards.
struct ExitCase
{
    SpinBounds bounds;
    std::string typed;
    std::string left;
};

void PrintTo(const ExitCase &c, std::ostream *os)
{
    *os << c.bounds.MinValue << ".." << c.bounds.MaxValue << " \"" << c.typed << '"';
}

class SpinExitTextTest : public ::testing::TestWithParam<ExitCase>
{
};

TEST_P(SpinExitTextTest, ReplacesOnlyNumbersOutsideTheBounds)
{
    const ExitCase &c = GetParam();
    EXPECT_EQ(SpinExitText(c.typed, c.bounds).value_or(c.typed), c.left);
}

INSTANTIATE_TEST_SUITE_P(
    Exits, SpinExitTextTest,
    ::testing::Values(ExitCase{kQuality, "0", "1"}, ExitCase{kQuality, "12", "9"},
                      ExitCase{kQuality, "", ""}, ExitCase{kQuality, "5", "5"},
                      ExitCase{kQuality, "-3", "1"}, ExitCase{kQuality, "$FFFFFFFF", "1"},
                      ExitCase{kHeight, "007", "007"}, ExitCase{kHeight, "+5", "+5"},
                      ExitCase{kHeight, "1.5", "1.5"}, ExitCase{kHeight, "$10", "$10"},
                      ExitCase{kHeight, "0x1F", "0x1F"}, ExitCase{kHeight, "99999", "65536"},
                      ExitCase{kHeight, "0099999", "65536"},
                      ExitCase{kLines, "9999999999", "9999999999"},
                      ExitCase{kNoBounds, "-2147483648", "-2147483648"},
                      ExitCase{SpinBounds{7, 7}, "-99", "-99"}, ExitCase{kInverted, "", "5"}));

// Reading never bounds: a number outside the bounds reads as typed, no number reads as MinValue.
TEST(ReadSpinValue, ReadsUnboundedOrMinValue)
{
    EXPECT_EQ(ReadSpinValue("12", kQuality), 12);
    EXPECT_EQ(ReadSpinValue("", kQuality), 1);
    EXPECT_EQ(ReadSpinValue("9999999999", kLines), 0);
    EXPECT_EQ(ReadSpinValue("$10", kHeight), 16);
    EXPECT_EQ(ReadSpinValue("x", kInverted), 10);
}

TEST(SpinValueText, WritesPlainDecimal)
{
    EXPECT_EQ(SpinValueText(0), "0");
    EXPECT_EQ(SpinValueText(-5), "-5");
    EXPECT_EQ(SpinValueText(kMin32), "-2147483648");
    EXPECT_EQ(SpinValueText(kMax32), "2147483647");
}

// A character, and whether it is accepted with the editor on and off.
struct CharCase
{
    char32_t character;
    bool withEditor;
    bool withoutEditor;
};

void PrintTo(const CharCase &c, std::ostream *os)
{
    *os << "U+" << std::hex << static_cast<std::uint32_t>(c.character);
}

class SpinAcceptsCharTest : public ::testing::TestWithParam<CharCase>
{
};

TEST_P(SpinAcceptsCharTest, AcceptsDigitsSignsSeparatorAndControls)
{
    const CharCase &c = GetParam();
    EXPECT_EQ(SpinAcceptsChar(c.character, true, U'.'), c.withEditor);
    EXPECT_EQ(SpinAcceptsChar(c.character, false, U'.'), c.withoutEditor);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, SpinAcceptsCharTest,
    ::testing::Values(CharCase{U'0', true, false}, CharCase{U'9', true, false},
                      CharCase{U'+', true, false}, CharCase{U'-', true, false},
                      CharCase{U'.', true, false}, CharCase{U',', false, false},
                      CharCase{U'a', false, false}, CharCase{U'$', false, false},
                      CharCase{U' ', false, false}, CharCase{U'/', false, false},
                      CharCase{U':', false, false}, CharCase{8, true, false},
                      CharCase{13, false, false}, CharCase{0, true, true}, CharCase{1, true, true},
                      CharCase{3, true, true}, CharCase{9, true, true}, CharCase{10, true, true},
                      CharCase{22, true, true}, CharCase{27, true, true}, CharCase{31, true, true},
                      CharCase{127, false, false}, CharCase{0xFF, false, false},
                      CharCase{U'\uFF15', false, false}, CharCase{U'\u30A2', false, false},
                      CharCase{U'\U0001F600', false, false}));

TEST(SpinAcceptsChar, TakesTheLocaleSeparator)
{
    EXPECT_TRUE(SpinAcceptsChar(U',', true, U','));
    EXPECT_FALSE(SpinAcceptsChar(U'.', true, U','));
    EXPECT_FALSE(SpinAcceptsChar(U',', false, U','));
}

TEST(SpinMayEditText, OnlyWithTheEditorAndWritable)
{
    EXPECT_TRUE(SpinMayEditText(true, false));
    EXPECT_FALSE(SpinMayEditText(false, false));
    EXPECT_FALSE(SpinMayEditText(true, true));
    EXPECT_FALSE(SpinMayEditText(false, true));
}

struct PasteCase
{
    std::string clipboard;
    std::string inserted;
};

void PrintTo(const PasteCase &c, std::ostream *os)
{
    *os << '"' << c.clipboard << '"';
}

class SpinPasteTextTest : public ::testing::TestWithParam<PasteCase>
{
};

TEST_P(SpinPasteTextTest, KeepsEverythingUpToTheFirstLineBreak)
{
    EXPECT_EQ(SpinPasteText(GetParam().clipboard), GetParam().inserted);
}

INSTANTIATE_TEST_SUITE_P(Pastes, SpinPasteTextTest,
                         ::testing::Values(PasteCase{"$10", "$10"}, PasteCase{"abc", "abc"},
                                           PasteCase{" 1 2\t", " 1 2\t"}, PasteCase{"", ""},
                                           PasteCase{"12\r\n34", "12"}, PasteCase{"12\n34", "12"},
                                           PasteCase{"12\r", "12"}, PasteCase{"\n5", ""},
                                           PasteCase{"高さ", "高さ"}));

} // namespace
} // namespace mrfyc
