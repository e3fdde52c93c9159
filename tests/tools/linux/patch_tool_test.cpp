// SPDX-License-Identifier: MIT
#include "rules/header_settings.h"
#include "tests/support/expected_texts.h"
#include "tests/support/linux/folder_files.h"
#include "tools/patch_tool.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <utility>

namespace mrfyc::test {
namespace {

class PatchTool : public testing::Test
{
protected:
    int Run(std::vector<std::string> arguments, MessageLanguage language = MessageLanguage::English)
    {
        return RunPatchTool(arguments, m_folder.Path(), language, m_out, m_err);
    }
    std::string Log(std::string_view name = "a.mrfy") const { return m_folder.Path(name); }

    TestFolder m_folder;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

struct UsageCase
{
    std::string Arguments;
    std::string Text;
    MessageLanguage Language = MessageLanguage::English;
};

class PatchToolUsage : public PatchTool, public testing::WithParamInterface<UsageCase>
{
};

const std::string kTryHelp = "Try 'mrfyc-patch --help'.";
const std::string kTryHelpJa = "詳しくは 'mrfyc-patch --help' を実行してください。";

// The arguments are split at spaces; LOG stands for the log a.mrfy.
TEST_P(PatchToolUsage, IsRefusedBeforeAnyFileIsTouched)
{
    WriteFile(Log(), "old");
    std::vector<std::string> arguments;
    std::istringstream words(GetParam().Arguments);
    for (std::string word; words >> word;)
        arguments.push_back(word == "LOG" ? Log() : word);
    const bool japanese = GetParam().Language == MessageLanguage::Japanese;
    EXPECT_EQ(Run(arguments, GetParam().Language), 2);
    EXPECT_EQ(m_out.str(), "");
    EXPECT_EQ(m_err.str(),
              "mrfyc-patch: " + GetParam().Text + "\n" + (japanese ? kTryHelpJa : kTryHelp) + "\n");
    EXPECT_EQ(ReadFile(Log()), "old");
    EXPECT_EQ(ListFolder(m_folder.Path()), std::vector<std::string>{"a.mrfy"});
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PatchToolUsage,
    testing::Values(
        UsageCase{"--width 65537 LOG", "value '65537' for --width is out of range (0 to 65536)"},
        UsageCase{"--height=-1 LOG", "value '-1' for --height is out of range (0 to 65536)"},
        UsageCase{"--lines 2147483648 LOG",
                  "value '2147483648' for --lines is out of range (0 to 2147483647)"},
        UsageCase{"--lines 99999999999999999999999 LOG",
                  "value '99999999999999999999999' for --lines is out of range (0 to 2147483647)"},
        UsageCase{"--quality 0 LOG", "value '0' for --quality is out of range (1 to 9)"},
        UsageCase{"--quality=10 LOG", "value '10' for --quality is out of range (1 to 9)"},
        UsageCase{"--width abc LOG", "invalid value 'abc' for --width: not a number"},
        UsageCase{"--width= LOG", "invalid value '' for --width: not a number"},
        UsageCase{"--width 1.5 LOG", "invalid value '1.5' for --width: not a number"},
        UsageCase{"--colour LOG", "unknown option '--colour'"},
        UsageCase{"LOG --width", "option '--width' needs a value"},
        UsageCase{"--width 5", "no FILE given"},
        UsageCase{"--check --skip-patched LOG",
                  "--check and --skip-patched cannot be used together"},
        UsageCase{"--skip-patched LOG --check",
                  "--check and --skip-patched cannot be used together"},
        UsageCase{"-x LOG", "unknown option '-x'"}, UsageCase{"--check", "no FILE given"},
        UsageCase{"--width 65537 LOG", "--width の値 '65537' は範囲外です (0 から 65536 まで)",
                  MessageLanguage::Japanese},
        UsageCase{"--quality x LOG", "--quality の値 'x' は数ではありません",
                  MessageLanguage::Japanese},
        UsageCase{"--colour LOG", "不明なオプション '--colour'", MessageLanguage::Japanese},
        UsageCase{"LOG --lines", "オプション '--lines' には値が必要です",
                  MessageLanguage::Japanese},
        UsageCase{"--width 5", "FILE が指定されていません", MessageLanguage::Japanese},
        UsageCase{"--skip-patched --check LOG", "--check と --skip-patched は同時に使えません",
                  MessageLanguage::Japanese}));

struct ResultTexts
{
    MessageLanguage Language;
    std::string Patched;
    std::string MissingLine;     // after "mrfyc-patch: ", {log} for the missing log
    std::string UnsupportedText; // after "mrfyc-patch: FILE: "
};

class PatchToolResults : public PatchTool, public testing::WithParamInterface<ResultTexts>
{
protected:
    // The system's reason after a failure has tests of its own; here only the texts count.
    static std::string WithoutReason(std::string lines)
    {
        for (std::size_t at;
             (at = lines.find(" (No such file or directory)")) != std::string::npos;)
            lines.erase(at, std::string_view(" (No such file or directory)").size());
        return lines;
    }
};

// The values at the ends of their ranges are taken; a file after "--" is a file even when it
// looks like an option. Every line is in the one language.
TEST_P(PatchToolResults, GoesOnAfterAFailedFileAndSaysSo)
{
    const ResultTexts &texts = GetParam();
    WriteFile(Log("1.mrfy"), "one");
    WriteFile(Log("4.tmp"), "four");
    WriteFile(Log("3.txt"), "three");
    EXPECT_EQ(Run({"--width", "65536", Log("1.mrfy"), "--height=0", Log("2.mrfy"), "--lines",
                   "2147483647", Log("3.txt"), "--quality", "9", Log("4.tmp"), "--", "--help"},
                  texts.Language),
              1);
    const std::string header = ExpectedHeader(65536, 0, 2147483647, 9);
    EXPECT_EQ(ReadFile(m_folder.Path("Temp.txt")), header);
    EXPECT_EQ(ReadFile(Log("1.mrfy")), header + "one");
    EXPECT_EQ(ReadFile(Log("3.txt")), "three");
    EXPECT_EQ(ReadFile(Log("4.tmp")), header + "four");
    EXPECT_EQ(m_out.str(), Log("1.mrfy") + ": " + texts.Patched + "\n" + Log("4.tmp") + ": " +
                               texts.Patched + "\n");
    std::string missing = texts.MissingLine;
    missing.replace(missing.find("{log}"), 5, Log("2.mrfy"));
    EXPECT_EQ(WithoutReason(m_err.str()),
              "mrfyc-patch: " + missing + "\nmrfyc-patch: " + Log("3.txt") + ": " +
                  texts.UnsupportedText + "\nmrfyc-patch: --help: " + texts.UnsupportedText + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Languages, PatchToolResults,
    testing::Values(ResultTexts{MessageLanguage::English, "patched", "{log}: cannot open",
                                "not a .mrfy or .tmp log, skipped"},
                    ResultTexts{MessageLanguage::Japanese, "修正しました",
                                "ファイル {log} は開けません.", "非対応の形式です"}));

// The options, ranges and defaults the help texts name in both languages are the header fields'
// own.
TEST_F(PatchTool, HelpNamesEachFieldWithItsRangeAndDefault)
{
    for (const auto language : {MessageLanguage::English, MessageLanguage::Japanese}) {
        m_out.str("");
        ASSERT_EQ(Run({"--help"}, language), 0);
        const bool english = language == MessageLanguage::English;
        for (const HeaderField &field : kHeaderFields) {
            const std::string line = "  " + std::string(field.Option) + " N ";
            const std::string range =
                std::to_string(field.Minimum) + (english ? " to " : " から ") +
                std::to_string(field.Maximum) + (english ? " (default " : " (既定値 ") +
                std::to_string(field.Default) + ")\n";
            const std::size_t at = m_out.str().find(line);
            ASSERT_NE(at, std::string::npos) << line;
            EXPECT_EQ(m_out.str().substr(0, m_out.str().find('\n', at) + 1).ends_with(range), true)
                << range;
        }
    }
}

TEST_F(PatchTool, HelpAndVersionPatchNothing)
{
    WriteFile(Log(), "old");
    for (const char *help : {"--help", "-h"}) {
        m_out.str("");
        EXPECT_EQ(Run({help, Log()}), 0);
        EXPECT_TRUE(m_out.str().starts_with("Usage: mrfyc-patch [OPTION]... FILE...\n"));
        EXPECT_NE(m_out.str().find("--skip-patched"), std::string::npos);
    }
    m_out.str("");
    EXPECT_EQ(Run({"-h"}, MessageLanguage::Japanese), 0);
    EXPECT_TRUE(m_out.str().starts_with("使い方: mrfyc-patch [オプション]... FILE...\n"));
    for (const char *version : {"--version", "-V"}) {
        m_out.str("");
        EXPECT_EQ(Run({version}), 0);
        EXPECT_TRUE(m_out.str().starts_with("mrfyc-patch (mrfyc) " MRFYC_VERSION "\n"));
    }
    EXPECT_EQ(ReadFile(Log()), "old");
    EXPECT_EQ(m_err.str(), "");
}

const std::string kHeader = ExpectedHeader();

struct CheckCase
{
    const char *Name;
    std::vector<std::string> Contents; // of a.mrfy, b.mrfy, ...; "-" for a missing file
    int ExitStatus;
    std::string Out; // {a}, {b}: the logs' paths
};

class PatchToolCheck : public PatchTool, public testing::WithParamInterface<CheckCase>
{
protected:
    std::vector<std::string> MakeLogs()
    {
        std::vector<std::string> logs;
        char name = 'a';
        for (const std::string &contents : GetParam().Contents) {
            logs.push_back(Log(std::string(1, name++) + ".mrfy"));
            if (contents != "-")
                WriteFile(logs.back(), contents);
        }
        return logs;
    }
    std::string Resolve(std::string text, const std::vector<std::string> &logs) const
    {
        for (std::size_t i = 0; i < logs.size(); ++i) {
            const std::string token = "{" + std::string(1, static_cast<char>('a' + i)) + "}";
            for (std::size_t at; (at = text.find(token)) != std::string::npos;)
                text.replace(at, token.size(), logs[i]);
        }
        return text;
    }
};

// Only reads: every log stays as it was and nothing is written beside the program.
TEST_P(PatchToolCheck, ReportsHeadersWithoutWriting)
{
    const std::vector<std::string> logs = MakeLogs();
    std::vector<std::string> arguments{"--check"};
    arguments.insert(arguments.end(), logs.begin(), logs.end());
    EXPECT_EQ(Run(arguments), GetParam().ExitStatus) << m_err.str();
    EXPECT_EQ(m_out.str(), Resolve(GetParam().Out, logs));
    for (std::size_t i = 0; i < logs.size(); ++i)
        EXPECT_TRUE(GetParam().Contents[i] == "-" || ReadFile(logs[i]) == GetParam().Contents[i]);
    const std::vector<std::string> names = ListFolder(m_folder.Path());
    EXPECT_EQ(std::count(names.begin(), names.end(), "Temp.txt"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PatchToolCheck,
    testing::Values(
        CheckCase{"NoHeader", {"log", ""}, 0, "{a}: no header\n{b}: no header\n"},
        CheckCase{"OneHeader",
                  {"log", kHeader + "log"},
                  1,
                  "{a}: no header\n{b}: begins with a header\n"},
        CheckCase{"OtherValues", {ExpectedHeader(1, 2, 3, 4)}, 1, "{a}: begins with a header\n"},
        CheckCase{"ShorterThanAHeader", {kHeader.substr(0, 40)}, 0, "{a}: no header\n"},
        CheckCase{"MissingFile", {"-", kHeader}, 2, "{b}: begins with a header\n"},
        CheckCase{"MissingWithoutHeader", {"log", "-"}, 2, "{a}: no header\n"}),
    [](const testing::TestParamInfo<CheckCase> &info) { return info.param.Name; });

TEST_F(PatchTool, CheckOfAFileItCannotReadGivesTheReason)
{
    EXPECT_EQ(Run({"--check", Log(), Log("b.txt")}), 2);
    EXPECT_EQ(m_err.str(), "mrfyc-patch: " + Log() +
                               ": cannot open (No such file or directory)\nmrfyc-patch: " +
                               Log("b.txt") + ": not a .mrfy or .tmp log, skipped\n");
}

// A script run twice must not stack headers; without the option it does, as the window does.
TEST_F(PatchTool, SkipPatchedLeavesPatchedLogsAlone)
{
    const std::string second = ExpectedHeader(1, 2, 3, 4);
    WriteFile(Log("a.mrfy"), kHeader + "a");
    WriteFile(Log("b.mrfy"), "b");
    WriteFile(Log("c.mrfy"), kHeader.substr(0, 50));
    const std::vector<std::string> arguments{"--skip-patched", "--width=1",   "--height=2",
                                             "--lines=3",      "--quality=4", Log("a.mrfy"),
                                             Log("b.mrfy"),    Log("c.mrfy")};
    EXPECT_EQ(Run(arguments), 0) << m_err.str();
    EXPECT_EQ(ReadFile(Log("a.mrfy")), kHeader + "a");
    EXPECT_EQ(ReadFile(Log("b.mrfy")), second + "b");
    EXPECT_EQ(ReadFile(Log("c.mrfy")), second + kHeader.substr(0, 50));
    EXPECT_EQ(m_out.str(), Log("a.mrfy") + ": skipped, already begins with a header\n" +
                               Log("b.mrfy") + ": patched\n" + Log("c.mrfy") + ": patched\n");
    m_out.str("");
    EXPECT_EQ(Run(arguments, MessageLanguage::Japanese), 0);
    EXPECT_EQ(ReadFile(Log("b.mrfy")), second + "b");
    EXPECT_EQ(m_out.str(), Log("a.mrfy") + ": ヘッダーがあるため飛ばしました\n" + Log("b.mrfy") +
                               ": ヘッダーがあるため飛ばしました\n" + Log("c.mrfy") +
                               ": ヘッダーがあるため飛ばしました\n");
    m_out.str("");
    EXPECT_EQ(Run({Log("b.mrfy")}), 0);
    EXPECT_EQ(ReadFile(Log("b.mrfy")), kHeader + second + "b");
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(PatchTool, SkipPatchedReportsAFileItCannotRead)
{
    EXPECT_EQ(Run({"--skip-patched", Log()}), 1);
    EXPECT_EQ(m_out.str(), "");
    EXPECT_EQ(m_err.str(), "mrfyc-patch: " + Log() + ": cannot open (No such file or directory)\n");
    EXPECT_EQ(ListFolder(m_folder.Path()), std::vector<std::string>{});
}

} // namespace
} // namespace mrfyc::test
