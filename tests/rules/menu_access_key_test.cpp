// SPDX-License-Identifier: MIT
#include "rules/menu_access_key.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mrfyc::test {
namespace {

using Captions = std::vector<std::u32string>;

struct AccessKeyCase
{
    const char *Name;
    Captions Given;
    bool DoubleByte;
    Captions Expected;
};

class AccessKeys : public testing::TestWithParam<AccessKeyCase>
{
};

TEST_P(AccessKeys, OneKeyPerCaption)
{
    const AccessKeyCase &row = GetParam();
    EXPECT_TRUE(AssignMenuAccessKeys(row.Given, row.DoubleByte) == row.Expected);
}

Captions AllKeysTaken()
{
    Captions captions;
    for (char32_t key : std::u32string(U"1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
        captions.push_back(std::u32string(U"&") + key);
    return captions;
}

Captions With(Captions captions, const Captions &more)
{
    captions.insert(captions.end(), more.begin(), more.end());
    return captions;
}

// Double-byte: a key after a Japanese caption, counting down from Z; single-byte: inline.
INSTANTIATE_TEST_SUITE_P(
    Cases, AccessKeys,
    testing::Values(
        AccessKeyCase{"JapaneseDoubleByte", {U"開く"}, true, {U"開く(&Z)"}},
        AccessKeyCase{"JapaneseSingleByteGetsNone", {U"開く"}, false, {U"開く"}},
        AccessKeyCase{"AsciiSingleByte", {U"File"}, false, {U"&File"}},
        AccessKeyCase{"AsciiDoubleByteInline", {U"File"}, true, {U"&File"}},
        AccessKeyCase{"MixedDoubleByte", {U"開くa"}, true, {U"開くa(&A)"}},
        AccessKeyCase{"MixedSingleByte", {U"開くa"}, false, {U"開く&a"}},
        AccessKeyCase{"MarkedKeyTakenFirst", {U"File", U"&Fix"}, false, {U"F&ile", U"&Fix"}},
        AccessKeyCase{
            "TwoJapaneseCaptions", {U"開く", U"閉じる"}, true, {U"開く(&Z)", U"閉じる(&Y)"}},
        AccessKeyCase{"BeforeAnEllipsis", {U"保存..."}, true, {U"保存(&Z)..."}},
        AccessKeyCase{"DoubleAmpersandIsText", {U"a&&b", U"ab"}, false, {U"a&&b", U"&ab"}},
        AccessKeyCase{"HalfWidthKanaIsSingleByte", {U"ｱ1"}, true, {U"ｱ&1"}},
        AccessKeyCase{"NoFreeKeyLeft", With(AllKeysTaken(), {U"開く", U"x"}), true,
                      With(AllKeysTaken(), {U"開く", U"x"})}),
    [](const auto &info) { return std::string(info.param.Name); });

} // namespace
} // namespace mrfyc::test
