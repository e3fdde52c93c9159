// SPDX-License-Identifier: MIT
#include "rules/errors.h"
#include "tools/message_language.h"
#include "tools/patch_messages.h"

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace mrfyc::test {
namespace {

struct LanguageCase
{
    const char *Name;
    std::map<std::string, std::string> Environment;
    MessageLanguage Expected;
};

class LanguageChoice : public testing::TestWithParam<LanguageCase>
{
};

TEST_P(LanguageChoice, FollowsTheLocaleOfMessages)
{
    const auto &environment = GetParam().Environment;
    const auto lookup = [&environment](const char *name) -> const char * {
        const auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(ChooseMessageLanguage(lookup), GetParam().Expected);
}

constexpr MessageLanguage kEn = MessageLanguage::English;
constexpr MessageLanguage kJa = MessageLanguage::Japanese;

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageChoice,
    testing::Values(
        LanguageCase{"Nothing", {}, kEn}, LanguageCase{"Lang", {{"LANG", "ja_JP.UTF-8"}}, kJa},
        LanguageCase{"LangEucJp", {{"LANG", "ja_JP.eucJP"}}, kJa},
        LanguageCase{"LangBare", {{"LANG", "ja"}}, kJa},
        LanguageCase{"LangModifier", {{"LANG", "ja@latin"}}, kJa},
        LanguageCase{"LangEnglish", {{"LANG", "en_US.UTF-8"}}, kEn},
        LanguageCase{"Jamaican", {{"LANG", "jam_JM"}}, kEn},
        LanguageCase{"CapitalJa", {{"LANG", "JA_JP.UTF-8"}}, kEn},
        LanguageCase{"MessagesOverLang", {{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "C"}}, kEn},
        LanguageCase{"MessagesJapanese", {{"LANG", "C"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, kJa},
        LanguageCase{"AllOverMessages",
                     {{"LC_ALL", "C.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "ja_JP"}},
                     kEn},
        LanguageCase{"AllJapanese", {{"LC_ALL", "ja_JP.UTF-8"}, {"LANG", "C"}}, kJa},
        LanguageCase{"EmptyAllIsUnset", {{"LC_ALL", ""}, {"LANG", "ja_JP.UTF-8"}}, kJa},
        LanguageCase{"EmptyEverything", {{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", ""}}, kEn},
        LanguageCase{"OtherCategoryIgnored", {{"LC_CTYPE", "ja_JP.UTF-8"}}, kEn}),
    [](const testing::TestParamInfo<LanguageCase> &info) { return info.param.Name; });

struct FailureCase
{
    const char *Name;
    MessageLanguage Language;
    const char *Kind;
    std::string Message;
    int SystemError;
    std::string Expected;
};

// The kinds as the patch throws them.
[[noreturn]] void Throw(std::string_view kind, const std::string &message, int systemError)
{
    if (kind == "open")
        throw EFOpenError(message, systemError);
    if (kind == "create")
        throw EFCreateError(message, systemError);
    if (kind == "read")
        throw EReadError(message, systemError);
    if (kind == "write")
        throw EWriteError(message, systemError);
    throw EStreamError(message, systemError);
}

class FailureLine : public testing::TestWithParam<FailureCase>
{
protected:
    // The reasons in the tables are the C library's untranslated ones.
    void SetUp() override { ::setenv("LC_ALL", "C", 1); }
    void TearDown() override { ::unsetenv("LC_ALL"); }
};

TEST_P(FailureLine, NamesTheFileOnceAndGivesTheReason)
{
    const FailureCase &row = GetParam();
    try {
        Throw(row.Kind, row.Message, row.SystemError);
    } catch (const Exception &error) {
        EXPECT_EQ(PatchMessages(row.Language).Failure("d/a.mrfy", error), row.Expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureLine,
    testing::Values(
        FailureCase{"OpenJa", kJa, "open", FileOpenErrorText("d/a.mrfy"), ENOENT,
                    "mrfyc-patch: ファイル d/a.mrfy は開けません. (No such file or directory)"},
        FailureCase{"OpenJaNoReason", kJa, "open", FileOpenErrorText("d/a.mrfy"), 0,
                    "mrfyc-patch: ファイル d/a.mrfy は開けません."},
        FailureCase{"CreateJa", kJa, "create", FileCreateErrorText("d/a.mrfy"), EROFS,
                    "mrfyc-patch: ファイル d/a.mrfy を作成できません. (Read-only file system)"},
        FailureCase{"ScratchJa", kJa, "create", FileCreateErrorText("/bin/Temp.txt"), EACCES,
                    "mrfyc-patch: d/a.mrfy: ファイル /bin/Temp.txt を作成できません. "
                    "(Permission denied)"},
        FailureCase{"OtherFileWithSameEndJa", kJa, "open", FileOpenErrorText("x/d/a.mrfy"), 0,
                    "mrfyc-patch: d/a.mrfy: ファイル x/d/a.mrfy は開けません."},
        FailureCase{"WriteJa", kJa, "write", std::string(kWriteErrorText), ENOSPC,
                    "mrfyc-patch: d/a.mrfy: ストリームへの書き込みエラー. "
                    "(No space left on device)"},
        FailureCase{"ReadJa", kJa, "read", std::string(kReadErrorText), 0,
                    "mrfyc-patch: d/a.mrfy: ストリームからの読み込みエラー."},
        FailureCase{"OpenEn", kEn, "open", FileOpenErrorText("d/a.mrfy"), ENOENT,
                    "mrfyc-patch: d/a.mrfy: cannot open (No such file or directory)"},
        FailureCase{"CreateEn", kEn, "create", FileCreateErrorText("d/a.mrfy"), 0,
                    "mrfyc-patch: d/a.mrfy: cannot create"},
        FailureCase{"ScratchEn", kEn, "create", FileCreateErrorText("/bin/Temp.txt"), EACCES,
                    "mrfyc-patch: d/a.mrfy: cannot create /bin/Temp.txt (Permission denied)"},
        FailureCase{"ScratchOpenEn", kEn, "open", FileOpenErrorText("/bin/Temp.txt"), 0,
                    "mrfyc-patch: d/a.mrfy: cannot open /bin/Temp.txt"},
        FailureCase{"WriteEn", kEn, "write", std::string(kWriteErrorText), EFBIG,
                    "mrfyc-patch: d/a.mrfy: write error (File too large)"},
        FailureCase{"ReadEn", kEn, "read", std::string(kReadErrorText), EIO,
                    "mrfyc-patch: d/a.mrfy: read error (Input/output error)"},
        FailureCase{"MemoryEn", kEn, "stream", std::string(kStreamMemoryErrorText), 0,
                    "mrfyc-patch: d/a.mrfy: out of memory"}),
    [](const testing::TestParamInfo<FailureCase> &info) { return info.param.Name; });

// An English line never carries a reason in the user's language.
TEST(FailureReason, EnglishReasonIsUntranslatedWhateverTheLocale)
{
    ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(PatchMessages(kEn).Reason(ENOENT), "No such file or directory");
    ::unsetenv("LC_ALL");
}

TEST(PatchVersion, CarriesCopyrightAndLicenceInBothLanguages)
{
    for (const MessageLanguage language : {kEn, kJa}) {
        const std::string version = PatchMessages(language).Version();
        EXPECT_TRUE(version.starts_with("mrfyc-patch (mrfyc) " MRFYC_VERSION "\n")) << version;
        EXPECT_NE(version.find("\nCopyright (C) 2026 the mrfyc authors\n"), std::string::npos);
        EXPECT_NE(version.find("\nLicense: MIT "), std::string::npos);
    }
}

} // namespace
} // namespace mrfyc::test
