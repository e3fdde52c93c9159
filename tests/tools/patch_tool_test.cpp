// SPDX-License-Identifier: MIT
#include "rules/header_settings.h"
#include "tests/support/test_folder.h"
#include "tools/patch_tool.h"

#include <gtest/gtest.h>
#include <sstream>
#include <utility>

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

class PatchToolUsage : public PatchTool,
                       public testing::WithParamInterface<std::pair<std::string, std::string>>
{
};

// The arguments are split at spaces; LOG stands for the log a.mrfy.
TEST_P(PatchToolUsage, IsRefusedBeforeAnyFileIsTouched)
{
    WriteFile(Log(), "old");
    std::vector<std::string> arguments;
    std::istringstream words(GetParam().first);
    for (std::string word; words >> word;)
        arguments.push_back(word == "LOG" ? Log() : word);
    EXPECT_EQ(Run(arguments), 2);
    EXPECT_EQ(m_out.str(), "");
    EXPECT_EQ(m_err.str(), "mrfyc-patch: " + GetParam().second + "\nTry 'mrfyc-patch --help'.\n");
    EXPECT_EQ(ReadFile(Log()), "old");
    EXPECT_EQ(ListFolder(m_folder.Path()), std::vector<std::string>{"a.mrfy"});
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PatchToolUsage,
    testing::Values(
        std::pair{"--width 65537 LOG", "value '65537' for --width is out of range (0 to 65536)"},
        std::pair{"--height=-1 LOG", "value '-1' for --height is out of range (0 to 65536)"},
        std::pair{"--lines 2147483648 LOG",
                  "value '2147483648' for --lines is out of range (0 to 2147483647)"},
        std::pair{"--lines 99999999999999999999999 LOG",
                  "value '99999999999999999999999' for --lines is out of range (0 to 2147483647)"},
        std::pair{"--quality 0 LOG", "value '0' for --quality is out of range (1 to 9)"},
        std::pair{"--quality=10 LOG", "value '10' for --quality is out of range (1 to 9)"},
        std::pair{"--width abc LOG", "invalid value 'abc' for --width: not a number"},
        std::pair{"--width= LOG", "invalid value '' for --width: not a number"},
        std::pair{"--width 1.5 LOG", "invalid value '1.5' for --width: not a number"},
        std::pair{"--colour LOG", "unknown option '--colour'"},
        std::pair{"LOG --width", "option '--width' needs a value"},
        std::pair{"--width 5", "no FILE given"}));

// The values at the ends of their ranges are taken; a file after "--" is a file even when it
// looks like an option.
TEST_F(PatchTool, GoesOnAfterAFailedFileAndSaysSo)
{
    WriteFile(Log("1.mrfy"), "one");
    WriteFile(Log("4.tmp"), "four");
    WriteFile(Log("3.txt"), "three");
    EXPECT_EQ(Run({"--width", "65536", Log("1.mrfy"), "--height=0", Log("2.mrfy"), "--lines",
                   "2147483647", Log("3.txt"), "--quality", "9", Log("4.tmp"), "--", "--help"}),
              1);
    const std::string header = BuildHeaderText({65536, 0, 2147483647, 9});
    EXPECT_EQ(ReadFile(m_folder.Path("Temp.txt")), header);
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
    EXPECT_EQ(m_out.str(),
              "Usage: mrfyc-patch [--width N] [--height N] [--lines N] [--quality N] FILE...\n"
              "Writes the mrfyc header in front of each ミルフィ log FILE (.mrfy or .tmp).\n"
              "\n"
              "  --width N    image width, 0 to 65536 (default 900)\n"
              "  --height N   image height, 0 to 65536 (default 1200)\n"
              "  --lines N    line count, 0 to 2147483647 (default 6000)\n"
              "  --quality N  quality, 1 to 9 (default 1)\n"
              "  --help       show this help and exit\n"
              "  --version    show the version and exit\n"
              "\n"
              "Each FILE is replaced only once its new contents are safely on disk. \"Temp.txt\" "
              "is\nwritten beside this program. Exit status: 0 when every FILE was patched, 1 when "
              "any was\nnot, 2 for a usage error.\n");
    m_out.str("");
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(m_out.str(), "mrfyc-patch " MRFYC_VERSION "\n");
    EXPECT_EQ(ReadFile(Log()), "old");
    EXPECT_EQ(m_err.str(), "");
}

} // namespace
} // namespace mrfyc::test
