#include "core/code_page.h"
#include "core/full_stop.h"

#include <gtest/gtest.h>

namespace mrfyc {
namespace {

constexpr auto kCp = CodePage::Cp932;
constexpr auto kUtf8 = CodePage::Utf8;
constexpr auto kWin = PathFlavour::Windows;
constexpr auto kPosix = PathFlavour::Posix;

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

// 表 is 0x95 0x5C in CP932: its trail byte is the backslash.
INSTANTIATE_TEST_SUITE_P(
    Paths, PathParts,
    testing::Values(
        TPathCase{"TrailBackslashBeforeTmp", "C:\\log\\\x95\x5C.tmp", kCp, kWin, ".tmp",
                  "C:\\log\\"},
        TPathCase{"TrailBackslashInFolder", "C:\\\x95\x5C\\a.mrfy", kCp, kWin, ".mrfy",
                  "C:\\\x95\x5C\\"},
        // The same bytes read as UTF-8 have a real backslash, which hides the dot before it.
        TPathCase{"Utf8HasNoTrailBytes", "C:\\\x95\x5C.tmp", kUtf8, kWin, ".tmp", "C:\\\x95\x5C"},
        TPathCase{"DotInFolderOnly", "C:\\dir.tmp\\file", kCp, kWin, "", "C:\\dir.tmp\\"},
        TPathCase{"NameIsExtension", ".tmp", kCp, kWin, ".tmp", ""},
        TPathCase{"CaseKept", "C:\\a.TMP", kCp, kWin, ".TMP", "C:\\"},
        TPathCase{"DriveColon", "C:a.tmp", kCp, kWin, ".tmp", "C:"},
        TPathCase{"KanaIsSingleByte", "C:\\\xB1\\a.tmp", kCp, kWin, ".tmp", "C:\\\xB1\\"},
        TPathCase{"LeadByteAtEnd", "C:\\a.tm\x95", kCp, kWin, ".tm\x95", "C:\\"},
        TPathCase{"NativeJapanese", "/ログ/表.tmp", kUtf8, kPosix, ".tmp", "/ログ/"},
        TPathCase{"NativeDotInFolderOnly", "/dir.tmp/file", kUtf8, kPosix, "", "/dir.tmp/"},
        TPathCase{"NativeBackslashIsAName", "a\\b.tmp", kUtf8, kPosix, ".tmp", ""},
        TPathCase{"NativeColonIsAName", "/x/c:d", kUtf8, kPosix, "", "/x/"},
        TPathCase{"NativeLastDotInRoot", "/a.b.tmp", kUtf8, kPosix, ".tmp", "/"}),
    [](const testing::TestParamInfo<TPathCase> &info) { return info.param.Name; });

TEST(CodePageDefaults, AreNativeUtf8AndPosix)
{
    EXPECT_EQ(ExtractFileExt("/dir.tmp/file"), "");
    EXPECT_EQ(ExtractFilePath("C:\\a\\b/c"), "C:\\a\\b/");
}

// "-" and "/" sit just below and above "."; bytes above 0x7F must not compare as negative.
TEST(FullStop, IsAddedAfterCharactersSortingAfterTheDot)
{
    const struct
    {
        std::string_view Text;
        std::string_view Shown;
        CodePage Page = kUtf8;
    } rows[] = {{"開けません", "開けません."},
                {"done.", "done."},
                {"x-", "x-"},
                {"/x/", "/x/."},
                {"", ""},
                {"\xB1", "\xB1.", kCp},
                {"\x95\x5C.", "\x95\x5C.", kCp}};
    for (const auto &row : rows)
        EXPECT_EQ(WithFullStop(row.Text, row.Page), row.Shown) << row.Text;
}

} // namespace
} // namespace mrfyc
