#include "core/log_file_selection.h"

#include <gtest/gtest.h>
#include <vector>

namespace mrfyc {
namespace {

struct TExtensionCase
{
    const char *Name;
    std::string_view Path;
    bool Accepted;
    CodePage Page = NativeCodePage();
    PathFlavour Flavour = NativePathFlavour();
};

class AcceptedExtension : public testing::TestWithParam<TExtensionCase>
{
};

TEST_P(AcceptedExtension, IsExactlyMrfyOrTmp)
{
    const TExtensionCase &row = GetParam();
    EXPECT_EQ(IsAcceptedLogExtension(row.Path, row.Page, row.Flavour), row.Accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AcceptedExtension,
    testing::Values(
        TExtensionCase{"Mrfy", "/logs/0001.mrfy", true}, TExtensionCase{"Tmp", "/logs/a.tmp", true},
        TExtensionCase{"NameIsExtension", "/logs/.tmp", true},
        TExtensionCase{"UpperTmp", "/logs/a.TMP", false},
        TExtensionCase{"MixedMrfy", "/logs/a.Mrfy", false},
        TExtensionCase{"Backup", "/logs/a.mrfy.bak", false},
        TExtensionCase{"Text", "/logs/a.txt", false}, TExtensionCase{"NoDot", "/logs/mrfy", false},
        TExtensionCase{"LongerExtension", "/logs/a.tmpx", false},
        TExtensionCase{"DotInFolder", "/logs/dir.tmp/file", false},
        TExtensionCase{"Empty", "", false},
        TExtensionCase{"WindowsDotInFolder", "C:\\dir.tmp\\file", false, CodePage::Cp932,
                       PathFlavour::Windows},
        TExtensionCase{"WindowsTrailBackslash", "C:\\log\\\x95\x5C.tmp", true, CodePage::Cp932,
                       PathFlavour::Windows},
        TExtensionCase{"WindowsDrive", "C:a.mrfy", true, CodePage::Cp932, PathFlavour::Windows}),
    [](const testing::TestParamInfo<TExtensionCase> &info) { return info.param.Name; });

class LogFileSelection : public testing::Test
{
protected:
    bool Drop(const std::string &path)
    {
        return m_selection.ApplyDropRule(
            path, [this](const std::string &text) { m_notices.push_back(text); });
    }

    TLogFileSelection m_selection;
    std::vector<std::string> m_notices;
};

TEST_F(LogFileSelection, StartsEmptyWithThePrefixOnly)
{
    EXPECT_EQ(m_selection.CurrentLogPath(), "");
    EXPECT_EQ(m_selection.LabelText(), "ファイル名：");
}

TEST_F(LogFileSelection, OpenRuleReplacesTheLabelInsteadOfRunningPathsTogether)
{
    m_selection.ApplyOpenRule("/logs/a.mrfy");
    m_selection.ApplyOpenRule("/logs/b.tmp");
    EXPECT_EQ(m_selection.CurrentLogPath(), "/logs/b.tmp");
    EXPECT_EQ(m_selection.LabelText(), "ファイル名：/logs/b.tmp");
}

TEST_F(LogFileSelection, OpenRuleTakesAnyExtensionWithoutNotice)
{
    m_selection.ApplyOpenRule("/logs/notes.txt");
    EXPECT_EQ(m_selection.CurrentLogPath(), "/logs/notes.txt");
    EXPECT_EQ(m_selection.LabelText(), "ファイル名：/logs/notes.txt");
}

TEST_F(LogFileSelection, AcceptedDropShowsThePathAlone)
{
    EXPECT_TRUE(Drop("/logs/a.tmp"));
    EXPECT_EQ(m_selection.CurrentLogPath(), "/logs/a.tmp");
    EXPECT_EQ(m_selection.LabelText(), "/logs/a.tmp");
    EXPECT_TRUE(m_notices.empty());
}

TEST_F(LogFileSelection, RefusedDropTellsAndChangesNothing)
{
    m_selection.ApplyOpenRule("/logs/a.mrfy");
    EXPECT_FALSE(Drop("/logs/a.TMP"));
    EXPECT_EQ(m_notices, std::vector<std::string>{"非対応の形式です"});
    EXPECT_EQ(m_selection.CurrentLogPath(), "/logs/a.mrfy");
    EXPECT_EQ(m_selection.LabelText(), "ファイル名：/logs/a.mrfy");
}

TEST_F(LogFileSelection, PickAfterDropGetsThePrefixBack)
{
    ASSERT_TRUE(Drop("/logs/a.tmp"));
    m_selection.ApplyOpenRule("/logs/b.mrfy");
    EXPECT_EQ(m_selection.LabelText(), "ファイル名：/logs/b.mrfy");
}

// A path cut to 254 bytes could name a different, existing file.
TEST_F(LogFileSelection, LongDroppedPathIsTakenWhole)
{
    const std::string path = "/" + std::string(300, 'x') + ".mrfy";
    ASSERT_TRUE(Drop(path));
    EXPECT_EQ(m_selection.CurrentLogPath(), path);
    EXPECT_EQ(m_selection.LabelText(), path);
}

} // namespace
} // namespace mrfyc
