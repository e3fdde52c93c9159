// SPDX-License-Identifier: MIT
#include "rules/caught_error.h"
#include "rules/errors.h"
#include "rules/put_command.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace mrfyc {
namespace {

struct CaughtCase
{
    const char *Name;
    std::exception_ptr Thrown;
    const char *ClassName;
    std::string Message;
    bool Silent;
    bool HasAddress;
};

class CaughtErrorTest : public ::testing::TestWithParam<CaughtCase>
{
};

TEST_P(CaughtErrorTest, EveryExceptionBecomesAReport)
{
    const CaughtError caught = CaughtError::From(GetParam().Thrown);
    EXPECT_EQ(caught.ClassName, GetParam().ClassName);
    EXPECT_EQ(caught.Message, GetParam().Message);
    EXPECT_EQ(caught.Silent, GetParam().Silent);
    EXPECT_EQ(caught.Address != nullptr, GetParam().HasAddress);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CaughtErrorTest,
    ::testing::Values(
        CaughtCase{"kind", std::make_exception_ptr(EFOpenError("ファイル a は開けません")),
                   "EFOpenError", "ファイル a は開けません", false, true},
        CaughtCase{"abort", std::make_exception_ptr(EAbort("")), "EAbort", "", true, true},
        CaughtCase{"memory", std::make_exception_ptr(std::bad_alloc()), "EOutOfMemory",
                   std::string(kOutOfMemoryText), false, false},
        CaughtCase{"standard", std::make_exception_ptr(std::runtime_error("odd")), "Exception",
                   "odd", false, false},
        CaughtCase{"anything", std::make_exception_ptr(42), "Exception", "", false, false}),
    [](const auto &info) { return std::string(info.param.Name); });

// OK's command: the path first, the fields only when there is a log, then the patch, then the
// notice of its outcome.
TEST(PutCommand, ChecksThePathBeforeReadingTheFields)
{
    for (const std::string path : {"", "a.mrfy"}) {
        std::vector<std::string> steps;
        RunPutCommand(
            path, {.ReadFields =
                       [&] {
                           steps.push_back("read");
                           return THeaderSettings{1, 2, 3, 4};
                       },
                   .Patch =
                       [&](const std::string &log, const THeaderSettings &settings) {
                           steps.push_back("patch " + log + " " + std::to_string(settings.Quality));
                           return PatchOutcome::Patched;
                       },
                   .ShowNotice = [&](const std::string &text) { steps.push_back(text); }});
        const std::vector<std::string> expected =
            path.empty() ? std::vector<std::string>{kNoticeNoFile}
                         : std::vector<std::string>{"read", "patch a.mrfy 4", kNoticePatched};
        EXPECT_EQ(steps, expected) << path;
    }
}

} // namespace
} // namespace mrfyc
