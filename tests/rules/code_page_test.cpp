// SPDX-License-Identifier: MIT
#include "rules/code_page.h"
#include "rules/full_stop.h"

#include <gtest/gtest.h>

namespace mrfyc {
namespace {

constexpr auto kCp = CodePage::Cp932;
constexpr auto kUtf8 = CodePage::Utf8;
constexpr auto kWin = PathFlavour::Windows;
constexpr auto kPosix = PathFlavour::Posix;

// 表 is 0x95 0x5C in CP932: its trail byte is the backslash. The same bytes read as UTF-8 have a
// real backslash, which hides the dot before it.
TEST(PathParts, SplitAtRealDelimitersOnly)
{
    const struct
    {
        std::string_view Path;
        CodePage Page;
        PathFlavour Flavour;
        std::string_view Extension;
        std::string_view Directory;
    } rows[] = {
        {"C:\\log\\\x95\x5C.tmp", kCp, kWin, ".tmp", "C:\\log\\"},
        {"C:\\\x95\x5C\\a.mrfy", kCp, kWin, ".mrfy", "C:\\\x95\x5C\\"},
        {"C:\\\x95\x5C.tmp", kUtf8, kWin, ".tmp", "C:\\\x95\x5C"},
        {"C:\\dir.tmp\\file", kCp, kWin, "", "C:\\dir.tmp\\"},
        {".tmp", kCp, kWin, ".tmp", ""},
        {"C:\\a.TMP", kCp, kWin, ".TMP", "C:\\"},
        {"C:a.tmp", kCp, kWin, ".tmp", "C:"},
        {"C:\\\xB1\\a.tmp", kCp, kWin, ".tmp", "C:\\\xB1\\"},
        {"C:\\a.tm\x95", kCp, kWin, ".tm\x95", "C:\\"},
        {"C:/log/a.tmp", kUtf8, kWin, ".tmp", "C:/log/"},
        {"C:\\log/dir.tmp/file", kUtf8, kWin, "", "C:\\log/dir.tmp/"},
        {"\\\\server\\share/로그/😀&.mrfy", kUtf8, kWin, ".mrfy", "\\\\server\\share/로그/"},
        {"C:/\x95\x5C/a.tmp", kCp, kWin, ".tmp", "C:/\x95\x5C/"},
        {"/ログ/表.tmp", kUtf8, kPosix, ".tmp", "/ログ/"},
        {"/dir.tmp/file", kUtf8, kPosix, "", "/dir.tmp/"},
        {"a\\b.tmp", kUtf8, kPosix, ".tmp", ""},
        {"/x/c:d", kUtf8, kPosix, "", "/x/"},
        {"/a.b.tmp", kUtf8, kPosix, ".tmp", "/"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(ExtractFileExt(row.Path, row.Page, row.Flavour), row.Extension) << row.Path;
        EXPECT_EQ(ExtractFilePath(row.Path, row.Page, row.Flavour), row.Directory) << row.Path;
    }
}

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
                {"(x)", "(x)"},
                {"9", "9."},
                {"", ""},
                {"\xB1", "\xB1.", kCp},
                {"\x95\x5C.", "\x95\x5C.", kCp}};
    for (const auto &row : rows)
        EXPECT_EQ(WithFullStop(row.Text, row.Page), row.Shown) << row.Text;
}

} // namespace
} // namespace mrfyc
