// SPDX-License-Identifier: MIT
#include "rules/file_argument.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

#include <string>
#include <vector>

namespace mrfyc {
namespace {

// The arguments after the program's name, and the index of the file among all (0: none).
struct ArgumentCase
{
    const char *name;
    std::vector<std::string> arguments;
    int file;
};

class FileArgumentTest : public ::testing::TestWithParam<ArgumentCase>
{
};

template <typename Char> std::optional<int> IndexOf(const std::vector<std::string> &arguments)
{
    std::vector<std::basic_string<Char>> owned{{'m', 'r', 'f', 'y', 'c'}};
    for (const std::string &argument : arguments)
        owned.emplace_back(argument.begin(), argument.end());
    std::vector<const Char *> argv;
    for (const auto &argument : owned)
        argv.push_back(argument.c_str());
    return FileArgumentIndex(static_cast<int>(argv.size()), argv.data());
}

TEST_P(FileArgumentTest, FirstArgumentThatIsNoOption)
{
    const ArgumentCase &c = GetParam();
    const std::optional<int> expected = c.file ? std::optional<int>(c.file) : std::nullopt;
    EXPECT_EQ(IndexOf<char>(c.arguments), expected);
    EXPECT_EQ(IndexOf<wchar_t>(c.arguments), expected) << "wide, as Windows reads them";
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, FileArgumentTest,
    ::testing::Values(ArgumentCase{"None", {}, 0}, ArgumentCase{"One", {"/logs/a.mrfy"}, 1},
                      ArgumentCase{"FirstOfSeveral", {"/logs/a.mrfy", "/logs/b.mrfy"}, 1},
                      ArgumentCase{"OptionsSkipped", {"--unknown", "-x", "/a.tmp"}, 3},
                      ArgumentCase{"NameAfterDoubleDash", {"--", "-a.mrfy"}, 2},
                      ArgumentCase{"SecondDoubleDashIsAName", {"--", "--"}, 2},
                      ArgumentCase{"OnlyOptions", {"-x", "--"}, 0},
                      ArgumentCase{"EmptySkipped", {"", "a.tmp"}, 2},
                      ArgumentCase{"LoneDashIsAName", {"-"}, 1}),
    [](const auto &info) { return std::string(info.param.name); });

// A Windows command line and whether CommandLineToArgvW finds arguments after the program's name.
struct CommandLineCase
{
    const char *name;
    const wchar_t *line;
    bool arguments;
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase>
{
};

TEST_P(CommandLineTest, ArgumentsAfterTheProgramName)
{
    EXPECT_EQ(CommandLineHasArguments(GetParam().line), GetParam().arguments);
#ifdef _WIN32
    int count = 0;
    LPWSTR *split = CommandLineToArgvW(GetParam().line, &count);
    ASSERT_NE(split, nullptr);
    LocalFree(split);
    EXPECT_EQ(count > 1, GetParam().arguments) << "as CommandLineToArgvW splits it";
#endif
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CommandLineTest,
    ::testing::Values(
        CommandLineCase{"Empty", L"", false}, CommandLineCase{"NameOnly", L"C:\\mrfyc.exe", false},
        CommandLineCase{"TrailingBlanks", L"mrfyc.exe \t ", false},
        CommandLineCase{"QuotedNameWithBlank", L"\"C:\\My Tools\\mrfyc.exe\"  ", false},
        CommandLineCase{"UnclosedQuote", L"\"C:\\My Tools\\mrfyc.exe a.mrfy", false},
        CommandLineCase{"File", L"mrfyc.exe a.mrfy", true},
        CommandLineCase{"AfterTab", L"mrfyc.exe\ta.mrfy", true},
        CommandLineCase{"AfterQuotedName", L"\"C:\\My Tools\\mrfyc.exe\" \"a b.mrfy\"", true},
        CommandLineCase{"GluedToQuotedName", L"\"mrfyc.exe\"a.mrfy", true},
        CommandLineCase{"EmptyQuotedArgument", L"mrfyc.exe \"\"", true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace mrfyc
