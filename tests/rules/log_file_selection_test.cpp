// SPDX-License-Identifier: MIT
#include "rules/log_file_selection.h"

#include <gtest/gtest.h>
#include <sstream>
#include <utility>

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
// Appending would run two picked paths together; any extension may be picked. A dropped path cut
// to 254 bytes could name a different, existing file, so a long one is taken whole.
TEST(SelectionRules, SetPathAndLabel)
{
    const std::string longPath = "/" + std::string(300, 'x') + ".mrfy";
    const struct
    {
        std::string Steps; // "open PATH" or "drop PATH", one after the other
        std::string Path;
        std::string Label;
        std::string Notices;
    } rows[] = {
        {"", "", "ファイル名：", ""},
        {"open /logs/a.mrfy open /logs/x.txt", "/logs/x.txt", "ファイル名：/logs/x.txt", ""},
        {"drop /logs/a.tmp", "/logs/a.tmp", "/logs/a.tmp", ""},
        {"open /logs/a.mrfy drop /logs/a.TMP", "/logs/a.mrfy", "ファイル名：/logs/a.mrfy",
         "非対応の形式です"},
        {"drop /logs/a.tmp open /logs/b.mrfy", "/logs/b.mrfy", "ファイル名：/logs/b.mrfy", ""},
        {"drop " + longPath, longPath, longPath, ""}};
    for (const auto &row : rows) {
        LogFileSelection selection;
        std::string notices;
        std::istringstream steps(row.Steps);
        for (std::string rule, path; steps >> rule >> path;)
            if (rule == "open")
                selection.ApplyOpenRule(path);
            else
                selection.ApplyDropRule(path, [&](const std::string &text) { notices += text; });
        EXPECT_EQ(selection.CurrentLogPath(), row.Path) << row.Steps;
        EXPECT_EQ(selection.LabelText(), row.Label) << row.Steps;
        EXPECT_EQ(notices, row.Notices) << row.Steps;
    }
}

} // namespace
} // namespace mrfyc
