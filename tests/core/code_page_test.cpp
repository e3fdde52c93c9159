#include "core/code_page.h"

#include <gtest/gtest.h>

namespace mrfyc {
namespace {

struct TPathCase
{
    const char *Name;
    std::string_view Path;
    CodePage Page;
    PathFlavour Flavour;
    std::string_view Extension;
    std::string_view Directory;
};

class PathParts : public testing::TestWithParam<TPathCase>
{
};

TEST_P(PathParts, SplitAtRealDelimitersOnly)
{
    const TPathCase &row = GetParam();
    EXPECT_EQ(ExtractFileExt(row.Path, row.Page, row.Flavour), row.Extension);
    EXPECT_EQ(ExtractFilePath(row.Path, row.Page, row.Flavour), row.Directory);
}

constexpr auto kCp = CodePage::Cp932;
constexpr auto kUtf8 = CodePage::Utf8;
constexpr auto kWin = PathFlavour::Windows;
constexpr auto kPosix = PathFlavour::Posix;

// 表 is 0x95 0x5C in CP932: its trail byte is the backslash.
INSTANTIATE_TEST_SUITE_P(
    Windows, PathParts,
    testing::Values(
        TPathCase{"TrailBackslashBeforeTmp", "C:\\log\\\x95\x5C.tmp", kCp, kWin, ".tmp",
                  "C:\\log\\"},
        TPathCase{"TrailBackslashInFolder", "C:\\\x95\x5C\\a.mrfy", kCp, kWin, ".mrfy",
                  "C:\\\x95\x5C\\"},
        TPathCase{"TrailBackslashIsNoDelimiter", "C:\\x\\\x95\x5Cname", kCp, kWin, "", "C:\\x\\"},
        // The same bytes read as UTF-8 have a real backslash, which hides the dot before it.
        TPathCase{"Utf8HasNoTrailBytes", "C:\\\x95\x5C.tmp", kUtf8, kWin, ".tmp", "C:\\\x95\x5C"},
        TPathCase{"DotInFolderOnly", "C:\\dir.tmp\\file", kCp, kWin, "", "C:\\dir.tmp\\"},
        TPathCase{"NameIsExtension", ".tmp", kCp, kWin, ".tmp", ""},
        TPathCase{"CaseKept", "C:\\a.TMP", kCp, kWin, ".TMP", "C:\\"},
        TPathCase{"LastDotCounts", "a.mrfy.bak", kCp, kWin, ".bak", ""},
        TPathCase{"DriveColon", "C:a.tmp", kCp, kWin, ".tmp", "C:"},
        TPathCase{"NoDot", "C:\\a", kCp, kWin, "", "C:\\"},
        TPathCase{"Empty", "", kCp, kWin, "", ""},
        TPathCase{"LeadByteAtEnd", "C:\\a.tm\x95", kCp, kWin, ".tm\x95", "C:\\"}),
    [](const testing::TestParamInfo<TPathCase> &info) { return info.param.Name; });

INSTANTIATE_TEST_SUITE_P(
    Native, PathParts,
    testing::Values(TPathCase{"Plain", "/home/u/0001.mrfy", kUtf8, kPosix, ".mrfy", "/home/u/"},
                    TPathCase{"Japanese", "/ログ/表.tmp", kUtf8, kPosix, ".tmp", "/ログ/"},
                    TPathCase{"DotInFolderOnly", "/dir.tmp/file", kUtf8, kPosix, "", "/dir.tmp/"},
                    TPathCase{"BackslashIsAName", "a\\b.tmp", kUtf8, kPosix, ".tmp", ""},
                    TPathCase{"ColonIsAName", "/x/c:d", kUtf8, kPosix, "", "/x/"},
                    TPathCase{"Root", "/a.tmp", kUtf8, kPosix, ".tmp", "/"},
                    TPathCase{"HiddenName", "/x/.tmp", kUtf8, kPosix, ".tmp", "/x/"}),
    [](const testing::TestParamInfo<TPathCase> &info) { return info.param.Name; });

TEST(CodePageDefaults, AreNativeUtf8AndPosix)
{
    EXPECT_EQ(ExtractFileExt("/dir.tmp/file"), "");
    EXPECT_EQ(ExtractFilePath("C:\\a\\b/c"), "C:\\a\\b/");
}

struct TLastCharacterCase
{
    const char *Name;
    std::string_view Text;
    CodePage Page;
    std::size_t Start;
};

class LastCharacter : public testing::TestWithParam<TLastCharacterCase>
{
};

TEST_P(LastCharacter, StartsAtTheCharactersFirstByte)
{
    const TLastCharacterCase &row = GetParam();
    EXPECT_EQ(LastCharacterStart(row.Text, row.Page), row.Start);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LastCharacter,
    testing::Values(TLastCharacterCase{"Empty", "", kCp, 0},
                    TLastCharacterCase{"Ascii", "ab", kCp, 1},
                    TLastCharacterCase{"DoubleByte", "a\x95\x5C", kCp, 1},
                    // 0x95 0x95 0x5C: the second 0x95 is a trail byte, so 0x5C stands alone.
                    TLastCharacterCase{"TrailLooksLikeLead", "\x95\x95\x5C", kCp, 2},
                    TLastCharacterCase{"LoneLeadByte", "a\x95", kCp, 1},
                    TLastCharacterCase{"HalfWidthKana", "a\xB1", kCp, 1},
                    TLastCharacterCase{"Utf8ThreeBytes", "aん", kUtf8, 1},
                    TLastCharacterCase{"Utf8Ascii", "んa", kUtf8, 3}),
    [](const testing::TestParamInfo<TLastCharacterCase> &info) { return info.param.Name; });

} // namespace
} // namespace mrfyc
