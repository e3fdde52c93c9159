// SPDX-License-Identifier: MIT
// mrfyc-patch.exe itself, run as a user runs it: its command line, outputs, languages and exit
// status, and what it leaves of the log.
#include "files/log_replacement.h"
#include "files/program_directory.h"
#include "rules/header_settings.h"
#include "rules/notice_function.h"
#include "tests/support/win32/win32_test_support.h"
#include "tools/message_language.h"
#include "tools/patch_messages.h"
#include "tools/system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

namespace mrfyc {
namespace {

using test::TestFolder;

const std::vector<std::string> kEnglish{"LC_ALL=C", "LC_MESSAGES=", "LANG="};
const std::vector<std::string> kJapanese{"LC_ALL=ja_JP.UTF-8", "LC_MESSAGES=", "LANG="};

std::wstring PatchProgram()
{
    return test::Wide(ProgramDirectory() + MRFYC_PATCH_FROM_TESTS);
}

test::ProgramRun Patch(const std::vector<std::string> &arguments,
                       const std::vector<std::string> &environment = kEnglish)
{
    return test::RunProgram(PatchProgram(), arguments, environment);
}

// The console's own line ends.
std::string Lines(std::string text)
{
    std::string lines;
    for (const char c : text)
        lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return lines;
}

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

struct LogCase
{
    const char *Name;
    std::string FileName;
    std::uint64_t Size;
    std::vector<std::string> Options;
    THeaderSettings Settings;
};

class PatchedLog : public testing::TestWithParam<LogCase>
{
};

// The header the options ask for, then every old byte; reported on standard output under the
// name as given; nothing left beside the log.
TEST_P(PatchedLog, IsTheHeaderThenEveryOldByte)
{
    TestFolder folder;
    const std::string path = folder.Path(GetParam().FileName);
    test::WritePattern(path, GetParam().Size);
    std::vector<std::string> arguments = GetParam().Options;
    arguments.push_back(path);
    const test::ProgramRun run = Patch(arguments);
    EXPECT_EQ(run.Exit, 0u) << run.Err;
    EXPECT_EQ(run.Out, path + ": patched\r\n");
    EXPECT_EQ(run.Err, "");
    EXPECT_TRUE(
        test::HoldsPrefixAndPattern(path, BuildHeaderText(GetParam().Settings), GetParam().Size));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{GetParam().FileName});
}

INSTANTIATE_TEST_SUITE_P(
    NamesAndOptions, PatchedLog,
    testing::Values(LogCase{"EmptyWithDefaults", "a.mrfy", 0, {}, THeaderSettings{}},
                    LogCase{"Ampersand",
                            "R&D & co.mrfy",
                            1000,
                            {"--width", "640", "--height=480", "--lines", "0", "--quality=9"},
                            THeaderSettings{640, 480, 0, 9}},
                    LogCase{"KoreanAndEmojiOverABlock",
                            "그림채팅 😀.tmp",
                            LogReplacement::kBlockSize + 1,
                            {"--width=65536", "--lines", "2147483647"},
                            THeaderSettings{65536, 1200, 2147483647, 1}}),
    [](const testing::TestParamInfo<LogCase> &info) { return std::string(info.param.Name); });

// Check, patch, check and skip read the log's start through the Windows file calls; stacking
// headers and the texts are the shared rules' (tests/tools).
TEST(PatchTool, ChecksAndSkipsPatchedLogs)
{
    TestFolder folder;
    const std::string path = folder.Path("ログ 로그.mrfy");
    test::WriteWhole(path, "old");
    const std::string header = BuildHeaderText(THeaderSettings{});

    test::ProgramRun run = Patch({"--check", path});
    EXPECT_EQ(run.Exit, 0u);
    EXPECT_EQ(run.Out, path + ": no header\r\n");
    run = Patch({path});
    EXPECT_EQ(run.Exit, 0u) << run.Err;
    run = Patch({"--check", path}, kJapanese);
    EXPECT_EQ(run.Exit, 1u);
    EXPECT_EQ(run.Out, path + ": ヘッダーがあります\r\n");
    run = Patch({"--skip-patched", path});
    EXPECT_EQ(run.Exit, 0u) << run.Err;
    EXPECT_EQ(run.Out, path + ": skipped, already begins with a header\r\n");
    EXPECT_EQ(test::ReadWhole(path), header + "old");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"ログ 로그.mrfy"});
}

struct WildcardCase
{
    const char *Name;
    std::vector<std::string> Arguments; // patterns relative to the test's folder
    DWORD Exit;
    std::vector<std::string> Out; // each line's name, relative to the folder
    std::string Err;              // the start of standard error, after the folder's path
};

class Wildcards : public testing::TestWithParam<WildcardCase>
{
};

// A pattern gives the folder's matching names in NTFS's order, whatever order the file system
// lists them in; a pattern that matches nothing is the name of a file that cannot be opened.
TEST_P(Wildcards, ExpandInTheOrderOfTheNames)
{
    TestFolder folder;
    for (const char *name : {"b.mrfy", "😀 2.mrfy", "A.mrfy", "ログ.mrfy", "c.tmp", "c.txt"})
        test::WriteWhole(folder.Path(name), "old");
    std::vector<std::string> arguments;
    for (const std::string &argument : GetParam().Arguments)
        arguments.push_back(argument.starts_with('-') ? argument : folder.Path(argument));
    const test::ProgramRun run = Patch(arguments);
    std::string out;
    for (const std::string &line : GetParam().Out)
        out += folder.Path(line) + "\r\n";
    EXPECT_EQ(run.Exit, GetParam().Exit);
    EXPECT_EQ(run.Out, out);
    if (GetParam().Err.empty())
        EXPECT_EQ(run.Err, "");
    else
        EXPECT_TRUE(run.Err.starts_with("mrfyc-patch: " + folder.Path(GetParam().Err))) << run.Err;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, Wildcards,
    testing::Values(WildcardCase{"Star",
                                 {"--check", "*.mrfy"},
                                 0,
                                 {"A.mrfy: no header", "b.mrfy: no header", "ログ.mrfy: no header",
                                  "😀 2.mrfy: no header"},
                                 ""},
                    WildcardCase{"QuestionMarkThenAName",
                                 {"--check", "?.mrfy", "c.tmp"},
                                 0,
                                 {"A.mrfy: no header", "b.mrfy: no header", "c.tmp: no header"},
                                 ""},
                    WildcardCase{"Patched", {"c.t?p"}, 0, {"c.tmp: patched"}, ""},
                    WildcardCase{
                        "NoMatch", {"--check", "x*.mrfy"}, 2, {}, "x*.mrfy: cannot open ("}),
    [](const testing::TestParamInfo<WildcardCase> &info) { return std::string(info.param.Name); });

struct UsageCase
{
    const char *Name;
    std::vector<std::string> Arguments;
    const std::vector<std::string> *Environment;
    DWORD Exit;
    std::string Out; // the start of standard output
    std::string Err;
};

class Usage : public testing::TestWithParam<UsageCase>
{
};

// Each usage error's text is checked with the shared option rules (tests/tools); here one of them
// shows the console's exit code, line ends and language.
TEST_P(Usage, AnswersAndExitsAsOnLinux)
{
    const test::ProgramRun run = Patch(GetParam().Arguments, *GetParam().Environment);
    EXPECT_EQ(run.Exit, GetParam().Exit);
    EXPECT_EQ(run.Err, GetParam().Err);
    // Nothing at all where nothing is expected, else what is expected first.
    EXPECT_TRUE(GetParam().Out.empty() ? run.Out.empty() : run.Out.starts_with(GetParam().Out))
        << run.Out;
}

const std::string kTryHelp = "Try 'mrfyc-patch --help'.\r\n";

INSTANTIATE_TEST_SUITE_P(
    Options, Usage,
    testing::Values(
        UsageCase{"NotANumber",
                  {"--width", "x", "a.mrfy"},
                  &kEnglish,
                  2,
                  "",
                  "mrfyc-patch: invalid value 'x' for --width: not a number\r\n" + kTryHelp},
        UsageCase{"JapaneseNotANumber",
                  {"--width", "x", "a.mrfy"},
                  &kJapanese,
                  2,
                  "",
                  "mrfyc-patch: --width の値 'x' は数ではありません\r\n"
                  "詳しくは 'mrfyc-patch --help' を実行してください。\r\n"},
        UsageCase{"Help",
                  {"--help"},
                  &kEnglish,
                  0,
                  Lines(std::string(PatchMessages(MessageLanguage::English).Help())),
                  ""},
        UsageCase{"JapaneseHelp",
                  {"-h"},
                  &kJapanese,
                  0,
                  Lines(std::string(PatchMessages(MessageLanguage::Japanese).Help())),
                  ""},
        UsageCase{
            "Version", {"-V"}, &kEnglish, 0, "mrfyc-patch (mrfyc) " MRFYC_VERSION "\r\n", ""}),
    [](const testing::TestParamInfo<UsageCase> &info) { return std::string(info.param.Name); });

// What a failure case starts from: the log's path in a fresh folder and the program to run.
struct FailureScene
{
    const TestFolder &Folder;
    std::string Log;
    std::wstring Program;
    std::unique_ptr<test::HelperProcess> Helper; // must outlive the run
};

struct FailureCase
{
    const char *Name;
    // Sets up the log (renames it, or puts the program in the folder, where the case needs).
    void (*Prepare)(FailureScene &scene);
    // The failure line after "mrfyc-patch: " up to the reason, {log} and {scratch} standing for
    // the paths; a line that ends in "\r\n" is the whole of standard error.
    std::string English, Japanese;
    DWORD SystemError; // 0: any
};

std::unique_ptr<test::HelperProcess> HoldForWriting(const std::string &path)
{
    const std::string ready = test::UniqueEventName();
    auto helper =
        std::make_unique<test::HelperProcess>(std::vector<std::string>{"hold-write", path, ready});
    EXPECT_TRUE(helper->WaitReady(ready));
    return helper;
}

// A copy of the program whose "Temp.txt" is a folder.
void ProgramWithBlockedScratch(const TestFolder &folder, std::wstring &program)
{
    program = test::Wide(folder.Path("mrfyc-patch.exe"));
    ASSERT_TRUE(::CopyFileW(PatchProgram().c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(::CreateDirectoryW(test::Wide(folder.Path("Temp.txt")).c_str(), nullptr));
}

// Each case in English (false) and in Japanese (true).
class Failure : public testing::TestWithParam<std::tuple<FailureCase, bool>>
{
};

// The whole line in the run's language with the system's reason, exit status 1, nothing on
// standard output, and the folder and the log as they were.
TEST_P(Failure, SaysWhyAndChangesNothing)
{
    const auto &[failure, japanese] = GetParam();
    TestFolder folder;
    FailureScene scene{folder, folder.Path("그림 & 😀.mrfy"), PatchProgram(), nullptr};
    failure.Prepare(scene);
    const std::string &log = scene.Log;
    std::string expected = "mrfyc-patch: " + (japanese ? failure.Japanese : failure.English);
    for (const auto &[mark, path] : {std::pair<std::string, std::string>{"{log}", log},
                                     {"{scratch}", folder.Path("Temp.txt")}})
        if (const std::size_t at = expected.find(mark); at != std::string::npos)
            expected.replace(at, mark.size(), path);
    const std::vector<std::string> before = folder.Names();
    const bool plainLog =
        ::GetFileAttributesW(test::Wide(log).c_str()) != INVALID_FILE_ATTRIBUTES &&
        !(::GetFileAttributesW(test::Wide(log).c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    const std::string contents = plainLog ? test::ReadWhole(log) : std::string();

    const test::ProgramRun run =
        test::RunProgram(scene.Program, {log}, japanese ? kJapanese : kEnglish);
    EXPECT_EQ(run.Exit, 1u);
    EXPECT_EQ(run.Out, "");
    if (expected.ends_with("\r\n")) {
        EXPECT_EQ(run.Err, expected);
    } else {
        ASSERT_TRUE(run.Err.starts_with(expected + " (")) << run.Err;
        ASSERT_TRUE(run.Err.ends_with(")\r\n")) << run.Err;
        const std::string reason =
            run.Err.substr(expected.size() + 2, run.Err.size() - expected.size() - 5);
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
        EXPECT_TRUE(japanese || IsAscii(reason)) << reason;
        if (failure.SystemError != 0) {
            EXPECT_EQ(reason, SystemErrorText(static_cast<int>(failure.SystemError),
                                              japanese ? MessageLanguage::Japanese
                                                       : MessageLanguage::English));
        }
    }
    scene.Helper.reset();
    EXPECT_EQ(folder.Names(), before);
    EXPECT_EQ(plainLog ? test::ReadWhole(log) : contents, contents);
}

INSTANTIATE_TEST_SUITE_P(
    Logs, Failure,
    testing::Combine(
        testing::Values(FailureCase{"Missing", [](FailureScene &) {}, "{log}: cannot open",
                                    "ファイル {log} は開けません.", ERROR_FILE_NOT_FOUND},
                        FailureCase{"Folder",
                                    [](FailureScene &scene) {
                                        ::CreateDirectoryW(test::Wide(scene.Log).c_str(), nullptr);
                                    },
                                    "{log}: cannot open", "ファイル {log} は開けません.", DWORD{0}},
                        FailureCase{"ReadOnly",
                                    [](FailureScene &scene) {
                                        test::WriteWhole(scene.Log, "old");
                                        ::SetFileAttributesW(test::Wide(scene.Log).c_str(),
                                                             FILE_ATTRIBUTE_READONLY);
                                    },
                                    "{log}: cannot create", "ファイル {log} を作成できません.",
                                    ERROR_ACCESS_DENIED},
                        FailureCase{"HeldOpenForWriting",
                                    [](FailureScene &scene) {
                                        test::WriteWhole(scene.Log, "old");
                                        scene.Helper = HoldForWriting(scene.Log);
                                    },
                                    "{log}: cannot open", "ファイル {log} は開けません.",
                                    ERROR_SHARING_VIOLATION},
                        FailureCase{"NotALog",
                                    [](FailureScene &scene) {
                                        scene.Log = scene.Folder.Path("log.txt");
                                        test::WriteWhole(scene.Log, "old");
                                    },
                                    "{log}: not a .mrfy or .tmp log, skipped\r\n",
                                    "{log}: " + std::string(kNoticeUnsupported) + "\r\n", DWORD{0}},
                        FailureCase{"ScratchBlocked",
                                    [](FailureScene &scene) {
                                        test::WriteWhole(scene.Log, "old");
                                        ProgramWithBlockedScratch(scene.Folder, scene.Program);
                                    },
                                    "{log}: cannot create {scratch}",
                                    "{log}: ファイル {scratch} を作成できません.", DWORD{0}}),
        testing::Bool()),
    [](const testing::TestParamInfo<std::tuple<FailureCase, bool>> &info) {
        return std::string(std::get<0>(info.param).Name) + (std::get<1>(info.param) ? "Ja" : "");
    });

// Killed while it copies: the log is the old bytes or header + old bytes, and nothing else is in
// the folder. Tried a few times, since a fast run may finish before it is caught.
TEST(PatchTool, KilledMidCopyLeavesOldOrNewLogAndNothingElse)
{
    constexpr std::uint64_t kSize = std::uint64_t{64} << 20;
    TestFolder folder;
    const std::string path = folder.Path("killed 😀.mrfy");
    const std::string header = BuildHeaderText(THeaderSettings{});
    test::WritePattern(path, kSize);
    bool caught = false;
    for (int attempt = 0; attempt < 4 && !caught; ++attempt) {
        {
            test::HelperProcess patch(PatchProgram(), {path});
            for (;;) {
                std::uint64_t growing = 0;
                for (const std::string &name : folder.Names())
                    if (name != "killed 😀.mrfy")
                        growing = std::max(growing, test::SizeOf(folder.Path(name)));
                if (growing > kSize / 2 || patch.Wait(0) != STILL_ACTIVE)
                    break;
                ::Sleep(1);
            }
            caught = patch.Wait(0) == STILL_ACTIVE;
            patch.Kill();
        }
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"killed 😀.mrfy"});
        const bool old = test::HoldsPrefixAndPattern(path, "", kSize);
        ASSERT_TRUE(old || test::HoldsPrefixAndPattern(path, header, kSize));
        if (!old)
            test::WritePattern(path, kSize);
    }
    EXPECT_TRUE(caught) << "the copy always finished before it could be killed";
}

// The system's texts as the reason after a failure line: one line, no full stop (the line's
// brackets close it), English only in English, the number where the system has no text.
TEST(SystemErrorText, IsOneLineInTheLanguageOrTheNumber)
{
    for (const MessageLanguage language : {MessageLanguage::English, MessageLanguage::Japanese}) {
        std::set<std::string> texts;
        for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION,
                                 ERROR_DISK_FULL}) {
            const std::string text = SystemErrorText(static_cast<int>(code), language);
            ASSERT_FALSE(text.empty()) << code;
            EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
            EXPECT_FALSE(text.ends_with(".") || text.ends_with("。") || text.ends_with(" "))
                << text;
            EXPECT_TRUE(language != MessageLanguage::English || IsAscii(text)) << text;
            texts.insert(text);
        }
        EXPECT_EQ(texts.size(), 4u) << "two errors with one text";
    }
    constexpr int kNoSuchError = 0x20001234; // customer bit set: the system has no text for it
    EXPECT_EQ(SystemErrorText(kNoSuchError, MessageLanguage::English), "error 536875572");
    EXPECT_EQ(SystemErrorText(kNoSuchError, MessageLanguage::Japanese), "エラー 536875572");
}

struct LanguageCase
{
    const char *Name;
    std::vector<std::pair<const char *, const char *>> Variables;
    MessageLanguage Fallback;
    MessageLanguage Expected;
};

class LanguageChoice : public testing::TestWithParam<LanguageCase>
{
};

// The locale variables decide when one is set; the system's language (Windows: the user's
// display language) only when none is.
TEST_P(LanguageChoice, VariablesFirstThenTheSystem)
{
    const auto lookup = [this](const char *name) -> const char * {
        for (const auto &[variable, value] : GetParam().Variables)
            if (std::string_view(variable) == name)
                return value;
        return nullptr;
    };
    EXPECT_EQ(ChooseMessageLanguage(lookup, GetParam().Fallback), GetParam().Expected);
}

constexpr auto kEn = MessageLanguage::English;
constexpr auto kJa = MessageLanguage::Japanese;

INSTANTIATE_TEST_SUITE_P(
    Environments, LanguageChoice,
    testing::Values(LanguageCase{"NoneSetJapaneseSystem", {}, kJa, kJa},
                    LanguageCase{"NoneSetEnglishSystem", {}, kEn, kEn},
                    LanguageCase{"EmptyCountsAsUnset", {{"LANG", ""}, {"LC_ALL", ""}}, kJa, kJa},
                    LanguageCase{"CBeatsAJapaneseSystem", {{"LANG", "C"}}, kJa, kEn},
                    LanguageCase{
                        "JapaneseBeatsAnEnglishSystem", {{"LC_MESSAGES", "ja_JP"}}, kEn, kJa}),
    [](const testing::TestParamInfo<LanguageCase> &info) { return std::string(info.param.Name); });

} // namespace
} // namespace mrfyc
