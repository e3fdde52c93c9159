#include "core/full_stop.h"

#include <gtest/gtest.h>

namespace mrfyc {
namespace {

struct TFullStopCase
{
    const char *Name;
    std::string_view Text;
    std::string_view Shown;
    CodePage Page = CodePage::Utf8;
};

class FullStop : public testing::TestWithParam<TFullStopCase>
{
};

TEST_P(FullStop, IsAddedAfterCharactersSortingAfterTheDot)
{
    const TFullStopCase &row = GetParam();
    EXPECT_EQ(WithFullStop(row.Text, row.Page), row.Shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FullStop,
    testing::Values(TFullStopCase{"Japanese", "開けません", "開けません."},
                    TFullStopCase{"Dot", "done.", "done."},
                    TFullStopCase{"Parenthesis", "(x)", "(x)"},
                    TFullStopCase{"Exclamation", "x!", "x!"}, TFullStopCase{"Space", "x ", "x "},
                    TFullStopCase{"Hyphen", "x-", "x-"}, TFullStopCase{"Slash", "/x/", "/x/."},
                    TFullStopCase{"Digit", "x9", "x9."}, TFullStopCase{"Letter", "x", "x."},
                    TFullStopCase{"Empty", "", ""},
                    // 表 ends in 0x5C, a byte that sorts after "." on its own anyway; the
                    // half-width kana is one byte above 0x7F.
                    TFullStopCase{"Cp932DoubleByte", "\x95\x5C", "\x95\x5C.", CodePage::Cp932},
                    TFullStopCase{"Cp932Kana", "\xB1", "\xB1.", CodePage::Cp932},
                    TFullStopCase{"Cp932DotAfterDoubleByte", "\x95\x5C.", "\x95\x5C.",
                                  CodePage::Cp932}),
    [](const testing::TestParamInfo<TFullStopCase> &info) { return info.param.Name; });

} // namespace
} // namespace mrfyc
