#include "core/header_settings.h"
#include "tests/core/test_folder.h"
#include "tools/patch_tool.h"

#include <gtest/gtest.h>
#include <sstream>

namespace mrfyc::test {
namespace {

class PatchTool : public testing::Test
{
protected:
    int Run(std::vector<std::string> arguments)
    {
        return RunPatchTool(arguments, m_folder.Path(), m_out, m_err);
    }
    std::string Log(std::string_view name = "a.mrfy") const { return m_folder.Path(name); }

    TestFolder m_folder;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

struct TUsageCase
{
    const char *Name;
    std::vector<std::string> Arguments; // "LOG" stands for the log a.mrfy
    std::string Message;
};

class PatchToolUsage : public PatchTool, public testing::WithParamInterface<TUsageCase>
{
};

TEST_P(PatchToolUsage, IsRefusedBeforeAnyFileIsTouched)
{
    WriteFile(Log(), "old");
    std::vector<std::string> arguments = GetParam().Arguments;
    for (std::string &argument : arguments)
        argument = argument == "LOG" ? Log() : argument;
    EXPECT_EQ(Run(arguments), 2);
    EXPECT_EQ(m_out.str(), "");
    EXPECT_EQ(m_err.str(), "mrfyc-patch: " + GetParam().Message + "\nTry 'mrfyc-patch --help'.\n");
    EXPECT_EQ(ReadFile(Log()), "old");
    EXPECT_EQ(ListFolder(m_folder.Path()), std::vector<std::string>{"a.mrfy"});
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PatchToolUsage,
    testing::Values(
        TUsageCase{"WidthAboveRange",
                   {"--width", "65537", "LOG"},
                   "value '65537' for --width is out of range (0 to 65536)"},
        TUsageCase{"HeightBelowRange",
                   {"--height=-1", "LOG"},
                   "value '-1' for --height is out of range (0 to 65536)"},
        TUsageCase{"LinesBeyond32Bits",
                   {"--lines", "2147483648", "LOG"},
                   "value '2147483648' for --lines is out of range (0 to 2147483647)"},
        TUsageCase{"HugeNumber",
                   {"--lines", "99999999999999999999999", "LOG"},
                   "value '99999999999999999999999' for --lines is out of range (0 to "
                   "2147483647)"},
        TUsageCase{"QualityZero",
                   {"--quality", "0", "LOG"},
                   "value '0' for --quality is out of range (1 to 9)"},
        TUsageCase{"QualityTen",
                   {"--quality=10", "LOG"},
                   "value '10' for --quality is out of range (1 to 9)"},
        TUsageCase{
            "Letters", {"--width", "abc", "LOG"}, "invalid value 'abc' for --width: not a number"},
        TUsageCase{"Empty", {"--width=", "LOG"}, "invalid value '' for --width: not a number"},
        TUsageCase{"TrailingSpace",
                   {"--width", "5 ", "LOG"},
                   "invalid value '5 ' for --width: not a number"},
        TUsageCase{"UnknownOption", {"--colour", "LOG"}, "unknown option '--colour'"},
        TUsageCase{"MissingValue", {"LOG", "--width"}, "option '--width' needs a value"},
        TUsageCase{"NoFile", {"--width", "5"}, "no FILE given"}),
    [](const testing::TestParamInfo<TUsageCase> &info) { return info.param.Name; });

TEST_F(PatchTool, BoundaryValuesReachTheHeader)
{
    WriteFile(Log(), "old");
    EXPECT_EQ(
        Run({"--width", "65536", "--height=0", "--lines", "2147483647", "--quality", "9", Log()}),
        0);
    EXPECT_EQ(ReadFile(Log()), BuildHeaderText({65536, 0, 2147483647, 9}) + "old");
    EXPECT_EQ(ReadFile(m_folder.Path("Temp.txt")), BuildHeaderText({65536, 0, 2147483647, 9}));
}

// The window's defaults; a file after "--" is a file even when it looks like an option.
TEST_F(PatchTool, GoesOnAfterAFailedFileAndSaysSo)
{
    WriteFile(Log("1.mrfy"), "one");
    WriteFile(Log("4.tmp"), "four");
    WriteFile(Log("3.txt"), "three");
    EXPECT_EQ(Run({Log("1.mrfy"), Log("2.mrfy"), Log("3.txt"), Log("4.tmp"), "--", "--help"}), 1);
    const std::string header = BuildHeaderText({900, 1200, 6000, 1});
    EXPECT_EQ(ReadFile(Log("1.mrfy")), header + "one");
    EXPECT_EQ(ReadFile(Log("3.txt")), "three");
    EXPECT_EQ(ReadFile(Log("4.tmp")), header + "four");
    EXPECT_EQ(m_out.str(), Log("1.mrfy") + ": 修正しました\n" + Log("4.tmp") + ": 修正しました\n");
    EXPECT_EQ(m_err.str(), Log("2.mrfy") + ": ファイル " + Log("2.mrfy") + " は開けません.\n" +
                               Log("3.txt") + ": 非対応の形式です\n--help: 非対応の形式です\n");
}

TEST_F(PatchTool, HelpAndVersionPatchNothing)
{
    WriteFile(Log(), "old");
    EXPECT_EQ(Run({"--help", Log()}), 0);
    EXPECT_TRUE(m_out.str().starts_with("Usage: mrfyc-patch [--width N] [--height N] [--lines N] "
                                        "[--quality N] FILE...\n"));
    m_out.str("");
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(m_out.str(), "mrfyc-patch " MRFYC_VERSION "\n");
    EXPECT_EQ(ReadFile(Log()), "old");
    EXPECT_EQ(m_err.str(), "");
}

} // namespace
} // namespace mrfyc::test
