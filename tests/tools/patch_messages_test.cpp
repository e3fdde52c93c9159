// SPDX-License-Identifier: MIT
#include "core/errors.h"
#include "tools/message_language.h"
#include "tools/patch_messages.h"

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace mrfyc::test {
namespace {

struct TLanguageCase
{
    const char *Name;
    std::map<std::string, std::string> Environment;
    MessageLanguage Expected;
};

class LanguageChoice : public testing::TestWithParam<TLanguageCase>
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
        TLanguageCase{"Nothing", {}, kEn}, TLanguageCase{"Lang", {{"LANG", "ja_JP.UTF-8"}}, kJa},
        TLanguageCase{"LangEucJp", {{"LANG", "ja_JP.eucJP"}}, kJa},
        TLanguageCase{"LangBare", {{"LANG", "ja"}}, kJa},
        TLanguageCase{"LangModifier", {{"LANG", "ja@latin"}}, kJa},
        TLanguageCase{"LangEnglish", {{"LANG", "en_US.UTF-8"}}, kEn},
        TLanguageCase{"Jamaican", {{"LANG", "jam_JM"}}, kEn},
        TLanguageCase{"CapitalJa", {{"LANG", "JA_JP.UTF-8"}}, kEn},
        TLanguageCase{"MessagesOverLang", {{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "C"}}, kEn},
        TLanguageCase{"MessagesJapanese", {{"LANG", "C"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, kJa},
        TLanguageCase{"AllOverMessages",
                      {{"LC_ALL", "C.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "ja_JP"}},
                      kEn},
        TLanguageCase{"AllJapanese", {{"LC_ALL", "ja_JP.UTF-8"}, {"LANG", "C"}}, kJa},
        TLanguageCase{"EmptyAllIsUnset", {{"LC_ALL", ""}, {"LANG", "ja_JP.UTF-8"}}, kJa},
        TLanguageCase{"EmptyEverything", {{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", ""}}, kEn},
        TLanguageCase{"OtherCategoryIgnored", {{"LC_CTYPE", "ja_JP.UTF-8"}}, kEn}),
    [](const testing::TestParamInfo<TLanguageCase> &info) { return info.param.Name; });

struct TFailureCase
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

class FailureLine : public testing::TestWithParam<TFailureCase>
{
protected:
    // The reasons in the tables are the C library's untranslated ones.
    void SetUp() override { ::setenv("LC_ALL", "C", 1); }
    void TearDown() override { ::unsetenv("LC_ALL"); }
};

TEST_P(FailureLine, NamesTheFileOnceAndGivesTheReason)
{
    const TFailureCase &row = GetParam();
    try {
        Throw(row.Kind, row.Message, row.SystemError);
    } catch (const Exception &error) {
        EXPECT_EQ(PatchMessages(row.Language).Failure("d/a.mrfy", error), row.Expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureLine,
    testing::Values(
        TFailureCase{"OpenJa", kJa, "open", FileOpenErrorText("d/a.mrfy"), ENOENT,
                     "mrfyc-patch: ファイル d/a.mrfy は開けません. (No such file or directory)"},
        TFailureCase{"OpenJaNoReason", kJa, "open", FileOpenErrorText("d/a.mrfy"), 0,
                     "mrfyc-patch: ファイル d/a.mrfy は開けません."},
        TFailureCase{"CreateJa", kJa, "create", FileCreateErrorText("d/a.mrfy"), EROFS,
                     "mrfyc-patch: ファイル d/a.mrfy を作成できません. (Read-only file system)"},
        TFailureCase{"ScratchJa", kJa, "create", FileCreateErrorText("/bin/Temp.txt"), EACCES,
                     "mrfyc-patch: d/a.mrfy: ファイル /bin/Temp.txt を作成できません. "
                     "(Permission denied)"},
        TFailureCase{"OtherFileWithSameEndJa", kJa, "open", FileOpenErrorText("x/d/a.mrfy"), 0,
                     "mrfyc-patch: d/a.mrfy: ファイル x/d/a.mrfy は開けません."},
        TFailureCase{"WriteJa", kJa, "write", std::string(kWriteErrorText), ENOSPC,
                     "mrfyc-patch: d/a.mrfy: ストリームへの書き込みエラー. "
                     "(No space left on device)"},
        TFailureCase{"ReadJa", kJa, "read", std::string(kReadErrorText), 0,
                     "mrfyc-patch: d/a.mrfy: ストリームからの読み込みエラー."},
        TFailureCase{"OpenEn", kEn, "open", FileOpenErrorText("d/a.mrfy"), ENOENT,
                     "mrfyc-patch: d/a.mrfy: cannot open (No such file or directory)"},
        TFailureCase{"CreateEn", kEn, "create", FileCreateErrorText("d/a.mrfy"), 0,
                     "mrfyc-patch: d/a.mrfy: cannot create"},
        TFailureCase{"ScratchEn", kEn, "create", FileCreateErrorText("/bin/Temp.txt"), EACCES,
                     "mrfyc-patch: d/a.mrfy: cannot create /bin/Temp.txt (Permission denied)"},
        TFailureCase{"ScratchOpenEn", kEn, "open", FileOpenErrorText("/bin/Temp.txt"), 0,
                     "mrfyc-patch: d/a.mrfy: cannot open /bin/Temp.txt"},
        TFailureCase{"WriteEn", kEn, "write", std::string(kWriteErrorText), EFBIG,
                     "mrfyc-patch: d/a.mrfy: write error (File too large)"},
        TFailureCase{"ReadEn", kEn, "read", std::string(kReadErrorText), EIO,
                     "mrfyc-patch: d/a.mrfy: read error (Input/output error)"},
        TFailureCase{"MemoryEn", kEn, "stream", std::string(kStreamMemoryErrorText), 0,
                     "mrfyc-patch: d/a.mrfy: out of memory"}),
    [](const testing::TestParamInfo<TFailureCase> &info) { return info.param.Name; });

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
