#include "core/log_file_selection.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace mrfyc {
namespace {

TEST(AcceptedExtension, IsExactlyMrfyOrTmp)
{
    const std::pair<std::string_view, bool> rows[] = {
        {"/logs/0001.mrfy", true}, {"/logs/a.tmp", true},        {"/logs/a.TMP", false},
        {"/logs/a.Mrfy", false},   {"/logs/a.mrfy.bak", false},  {"/logs/a.tmpx", false},
        {"/logs/a.mrf", false},    {"/logs/dir.tmp/file", false}};
    for (const auto &[path, accepted] : rows)
        EXPECT_EQ(IsAcceptedLogExtension(path), accepted) << path;
    EXPECT_TRUE(
        IsAcceptedLogExtension("C:\\log\\\x95\x5C.tmp", CodePage::Cp932, PathFlavour::Windows));
}

// Picks (open rule) and drops, one after the other, and what the label shows at the end.
struct TSelectionCase
{
    const char *Name;
    std::vector<std::string> Steps; // "open PATH" or "drop PATH"
    std::string Path;
    std::string Label;
    std::vector<std::string> Notices;
};

class SelectionRules : public testing::TestWithParam<TSelectionCase>
{
};

TEST_P(SelectionRules, SetPathAndLabel)
{
    TLogFileSelection selection;
    std::vector<std::string> notices;
    for (const std::string &step : GetParam().Steps) {
        if (step.starts_with("open "))
            selection.ApplyOpenRule(step.substr(5));
        else
            selection.ApplyDropRule(step.substr(5),
                                    [&](const std::string &text) { notices.push_back(text); });
    }
    EXPECT_EQ(selection.CurrentLogPath(), GetParam().Path);
    EXPECT_EQ(selection.LabelText(), GetParam().Label);
    EXPECT_EQ(notices, GetParam().Notices);
}

// A path cut to 254 bytes could name a different, existing file, so a long one is taken whole.
const std::string kLongPath = "/" + std::string(300, 'x') + ".mrfy";

INSTANTIATE_TEST_SUITE_P(
    Steps, SelectionRules,
    testing::Values(
        TSelectionCase{"None", {}, "", "ファイル名：", {}},
        // Appending would run two paths together; any extension may be picked.
        TSelectionCase{"OpenReplacesTheLabel",
                       {"open /logs/a.mrfy", "open /logs/notes.txt"},
                       "/logs/notes.txt",
                       "ファイル名：/logs/notes.txt",
                       {}},
        TSelectionCase{
            "DropShowsThePathAlone", {"drop /logs/a.tmp"}, "/logs/a.tmp", "/logs/a.tmp", {}},
        TSelectionCase{"RefusedDropChangesNothing",
                       {"open /logs/a.mrfy", "drop /logs/a.TMP"},
                       "/logs/a.mrfy",
                       "ファイル名：/logs/a.mrfy",
                       {"非対応の形式です"}},
        TSelectionCase{"OpenAfterDropHasThePrefix",
                       {"drop /logs/a.tmp", "open /logs/b.mrfy"},
                       "/logs/b.mrfy",
                       "ファイル名：/logs/b.mrfy",
                       {}},
        TSelectionCase{"LongDropTakenWhole", {"drop " + kLongPath}, kLongPath, kLongPath, {}}),
    [](const testing::TestParamInfo<TSelectionCase> &info) { return info.param.Name; });

} // namespace
} // namespace mrfyc
