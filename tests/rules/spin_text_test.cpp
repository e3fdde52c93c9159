// SPDX-License-Identifier: MIT
#include "rules/spin_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace mrfyc {
namespace {

struct ReadCase
{
    std::string text;
    std::optional<std::int32_t> value;
};

void PrintTo(const ReadCase &c, std::ostream *os)
{
    *os << '"' << c.text << '"';
}

class ParseSpinTextTest : public ::testing::TestWithParam<ReadCase>
{
};

TEST_P(ParseSpinTextTest, ReadsExactlyTheIntegerForms)
{
    EXPECT_EQ(ParseSpinText(GetParam().text), GetParam().value);
}

constexpr std::optional<std::int32_t> kNone = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Forms, ParseSpinTextTest,
    ::testing::Values(
        ReadCase{"007", 7}, ReadCase{"+5", 5}, ReadCase{"-5", -5}, ReadCase{"    -12", -12},
        ReadCase{"2147483647", 2147483647}, ReadCase{"-2147483648", -2147483647 - 1},
        ReadCase{"0000000000002147483647", 2147483647}, ReadCase{"2147483648", kNone},
        ReadCase{"-2147483649", kNone}, ReadCase{"9999999999", kNone},
        // Hexadecimal: a 32-bit pattern after any of the prefixes; a sign before it negates.
        ReadCase{"$FFFFFFFF", -1}, ReadCase{"$ffffffff", -1},
        ReadCase{"$80000000", -2147483647 - 1}, ReadCase{"0x1F", 31}, ReadCase{"0X1f", 31},
        ReadCase{"x1F", 31}, ReadCase{"X1F", 31}, ReadCase{"$000000001", 1}, ReadCase{"  $A", 10},
        ReadCase{"-$10", -16}, ReadCase{"-$FFFFFFFF", 1}, ReadCase{"$100000000", kNone},
        ReadCase{"0x", kNone}, ReadCase{"$1G", kNone}, ReadCase{"0x 1", kNone},
        ReadCase{"00x1", kNone}, ReadCase{"$-1", kNone}, ReadCase{"$$1", kNone},
        // Nothing else is a number.
        ReadCase{"", kNone}, ReadCase{" ", kNone}, ReadCase{"+", kNone}, ReadCase{"$", kNone},
        ReadCase{"1.5", kNone}, ReadCase{"5 ", kNone}, ReadCase{"+-5", kNone},
        ReadCase{"- 5", kNone}, ReadCase{"\t5", kNone}, ReadCase{"1-2", kNone},
        ReadCase{"\xef\xbc\x95", kNone}, // fullwidth digit five
        ReadCase{std::string("5\0", 2), kNone}));

} // namespace
} // namespace mrfyc
