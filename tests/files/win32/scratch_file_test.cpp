// SPDX-License-Identifier: MIT
#include "files/scratch_file.h"
#include "rules/errors.h"
#include "tests/support/win32/win32_test_support.h"

#include <gtest/gtest.h>

namespace mrfyc {
namespace {

using test::TestFolder;

// What was there before is replaced whole: a longer old file must not leave its tail behind.
TEST(ScratchFile, ReadsBackExactlyWhatItWrote)
{
    const struct
    {
        std::string Before; // "" for no file
        std::string Header;
    } rows[] = {{"", "layer_count=2\r\n"},
                {std::string(5000, 'x'), "short\r\n"},
                {"old", ""},
                {"", std::string(3 << 20, '\x95')}};
    for (const auto &row : rows) {
        TestFolder folder;
        const std::string path = folder.Path("Temp.txt");
        if (!row.Before.empty())
            test::WriteWhole(path, row.Before);
        ScratchFile scratch = ScratchFile::Write(path, row.Header);
        EXPECT_EQ(scratch.ReadBack(), row.Header);
        scratch.Close();
        EXPECT_EQ(test::ReadWhole(path), row.Header);
    }
}

TEST(ScratchFile, RefusesWhatIsNoPlainWritableFile)
{
    const struct
    {
        const char *Case;
        void (*Prepare)(const std::string &path);
    } rows[] = {
        {"a folder",
         [](const std::string &path) {
             ASSERT_TRUE(::CreateDirectoryW(test::Wide(path).c_str(), nullptr));
         }},
        {"read-only",
         [](const std::string &path) {
             test::WriteWhole(path, "keep");
             ASSERT_TRUE(::SetFileAttributesW(test::Wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
         }},
        {"missing folder", [](const std::string &) {}},
    };
    for (const auto &row : rows) {
        TestFolder folder;
        const std::string path =
            folder.Path(std::string(row.Case) == "missing folder" ? "no\\Temp.txt" : "Temp.txt");
        row.Prepare(path);
        try {
            ScratchFile::Write(path, "header");
            ADD_FAILURE() << row.Case << ": no error";
        } catch (const EFCreateError &error) {
            EXPECT_EQ(error.Message(), "ファイル " + path + " を作成できません") << row.Case;
            EXPECT_NE(error.SystemError(), 0) << row.Case;
        }
    }
}

// Another patch holds the file for a moment: this one waits its turn instead of failing.
TEST(ScratchFile, WaitsForAnotherPatchToFinish)
{
    TestFolder folder;
    const std::string path = folder.Path("Temp.txt");
    const std::string ready = test::UniqueEventName();
    test::HelperProcess other({"hold-scratch", path, ready, "500"}); // well within the 2 s bound
    ASSERT_TRUE(other.WaitReady(ready));
    ScratchFile scratch = ScratchFile::Write(path, "mine");
    EXPECT_EQ(other.Wait(60000), 0u) << "the other patch could not finish";
    EXPECT_EQ(scratch.ReadBack(), "mine");
    scratch.Close();
}

TEST(ScratchFile, MovedFromLeavesOneOwner)
{
    TestFolder folder;
    ScratchFile first = ScratchFile::Write(folder.Path("Temp.txt"), "abc");
    ScratchFile second = std::move(first);
    EXPECT_EQ(second.ReadBack(), "abc");
    second.Close();
    second.Close(); // closing twice is harmless
}

} // namespace
} // namespace mrfyc
