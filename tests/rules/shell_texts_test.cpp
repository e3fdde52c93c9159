// SPDX-License-Identifier: MIT
#include "rules/message_content.h"
#include "rules/startup_failure_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mrfyc::test {
namespace {

struct StartupCase
{
    const char *Name;
    const char *Kind;
    const char *Message;
    const char *Expected; // after the first line
};

class StartupFailure : public testing::TestWithParam<StartupCase>
{
};

TEST_P(StartupFailure, FullStopOnlyWhereTheMessageLacksOne)
{
    const StartupCase &row = GetParam();
    const std::string head = std::string(row.Kind) + " がモジュール mrfyc.exe の " +
                             std::string(2 * sizeof(void *) - 4, '0') + "1A2F で発生しました。\r\n";
    EXPECT_EQ(StartupFailureText(row.Kind, "mrfyc.exe", 0x1A2F, row.Message), head + row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupFailure,
    testing::Values(StartupCase{"Japanese", "EFOpenError", "ファイル a は開けません",
                                "ファイル a は開けません.\r\n"},
                    StartupCase{"StopAlready", "Exception", "end.", "end.\r\n"},
                    // Unlike the error report, only a "." itself saves the full stop.
                    StartupCase{"BracketStillGetsOne", "Exception", "(x)", "(x).\r\n"},
                    StartupCase{"SpaceStillGetsOne", "Exception", "x ", "x .\r\n"},
                    StartupCase{"Empty", "EAbort", "", "\r\n"}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(StartupFailureOffset, EveryDigitOfAPointerInCapitals)
{
    const std::string text = StartupFailureText("E", "m", ~std::uintptr_t(0) - 0x10, "x");
    EXPECT_NE(text.find(" の " + std::string(2 * sizeof(void *) - 2, 'F') + "EF で"),
              std::string::npos)
        << text;
}

struct ModuleCase
{
    const char *Name;
    const char *Path;
    const char *Expected;
};

class ModuleName : public testing::TestWithParam<ModuleCase>
{
};

TEST_P(ModuleName, FolderDropped)
{
    EXPECT_EQ(ModuleFileName(GetParam().Path), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ModuleName,
                         testing::Values(ModuleCase{"Slash", "/opt/mrfyc/bin/mrfyc", "mrfyc"},
                                         ModuleCase{"Bare", "mrfyc", "mrfyc"},
                                         ModuleCase{"FolderOnly", "/a/", ""},
                                         ModuleCase{"Japanese", "/ログ/表示.exe", "表示.exe"}),
                         [](const auto &info) { return std::string(info.param.Name); });

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Windows, ModuleName,
                         testing::Values(ModuleCase{"Backslash", "C:\\Program Files\\表\\mrfyc.exe",
                                                    "mrfyc.exe"},
                                         ModuleCase{"DriveRelative", "C:mrfyc.exe", "mrfyc.exe"}),
                         [](const auto &info) { return std::string(info.param.Name); });
#endif

struct ContentCase
{
    const char *Name;
    const char *Caption;
    const char *Text;
    std::vector<std::string_view> Buttons;
    const char *ButtonLine;
};

class MessageContent : public testing::TestWithParam<ContentCase>
{
};

TEST_P(MessageContent, SevenLinesBetweenDividers)
{
    const ContentCase &row = GetParam();
    const std::string divider = std::string(27, '-') + "\r\n";
    EXPECT_EQ(MessageContentText(row.Caption, row.Text, row.Buttons),
              divider + row.Caption + "\r\n" + divider + row.Text + "\r\n" + divider +
                  row.ButtonLine + "\r\n" + divider);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageContent,
    testing::Values(ContentCase{"Notice", "mrfyc", "修正しました", {"OK"}, "OK   "},
                    // The text stays as it is, "&" and line breaks included.
                    ContentCase{"TextUnchanged", "mrfyc", "a&b\r\nc\td", {"OK"}, "OK   "},
                    ContentCase{"AmpersandsRemoved", "t", "x", {"&Yes", "N&&o"}, "Yes   No   "},
                    ContentCase{"NoButtons", "", "", {}, ""}),
    [](const auto &info) { return std::string(info.param.Name); });

} // namespace
} // namespace mrfyc::test
