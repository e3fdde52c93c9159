// SPDX-License-Identifier: MIT
#include "tests/support/patch_run.h"

#include "tests/support/expected_texts.h"

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace mrfyc::test {

namespace {

// The line without a trailing " (reason)".
std::string WithoutReason(const std::string &line)
{
    const std::size_t open = line.rfind(" (");
    if (open == std::string::npos || !line.ends_with(")\n"))
        return line;
    return line.substr(0, open) + "\n";
}

} // namespace

void PatchRun::SetUp()
{
    // The window's texts; the children inherit the locale. Tests that follow in the same process
    // get theirs back.
    if (const char *locale = std::getenv("LC_ALL"))
        m_savedLocale = locale;
    ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
    ASSERT_EQ(::mkdir(m_folder.Path("logs").c_str(), 0755), 0);
    m_old = PatternBytes(kLogSize);
    WriteFile(Log(), m_old);
}

void PatchRun::TearDown()
{
    if (m_savedLocale)
        ::setenv("LC_ALL", m_savedLocale->c_str(), 1);
    else
        ::unsetenv("LC_ALL");
}

std::string PatchRun::Resolve(std::string text) const
{
    const std::pair<std::string, std::string> tokens[] = {{"{log}", Log()},
                                                          {"{logs}", m_folder.Path("logs")},
                                                          {"{scratch}", Scratch()},
                                                          {"{bin}", m_folder.Path("bin")}};
    for (const auto &[token, path] : tokens)
        for (std::size_t at = 0; (at = text.find(token)) != std::string::npos;)
            text.replace(at, token.size(), path);
    return text;
}

ChildResult PatchRun::Patch(const std::string &command, std::optional<rlim_t> limit) const
{
    std::vector<std::string> argv;
    std::istringstream words(command);
    for (std::string word; words >> word;)
        argv.push_back(Resolve(word));
    argv.insert(argv.end(), {Patcher(), Log()});
    ChildOptions options;
    options.FileSizeLimit = limit;
    return RunChild(argv, options);
}

bool PatchRun::Works(const std::vector<std::string> &command)
{
    return RunChild(command).ExitCode == 0;
}

std::string PatchRun::WhyNotAsNobody() const
{
    if (::geteuid() != 0)
        return "needs root to switch users";
    return Works({"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "test", "-x",
                  Patcher()})
               ? ""
               : "setpriv cannot run the patcher as nobody here";
}

std::string PatchRun::StraceWords(const char *options)
{
    return *options != '\0' ? std::string("strace -f -o /dev/null ") + options + " " : "";
}

void PatchRun::ExpectOutcome(const ChildResult &result, std::string_view outcome) const
{
    const bool patched = outcome == kPatched;
    const std::string header = ExpectedHeader();
    EXPECT_TRUE(!patched || ReadFile(Scratch()) == header);
    EXPECT_EQ(result.ExitCode, patched ? 0 : 1);
    if (patched) {
        EXPECT_EQ(result.Out, Log() + ": " + std::string(outcome) + "\n");
    } else {
        // A text that names the log stands alone; the system's reason is tested elsewhere.
        const bool namesLog = outcome.find("{log}") != std::string_view::npos;
        EXPECT_EQ(WithoutReason(result.Err), "mrfyc-patch: " + (namesLog ? "" : Log() + ": ") +
                                                 Resolve(std::string(outcome)) + "\n");
    }
    EXPECT_EQ(patched ? result.Err : result.Out, "");
    EXPECT_TRUE(ReadFile(Log()) == (patched ? header : "") + m_old) << "wrong log";
    EXPECT_EQ(ListFolder(m_folder.Path("logs")), std::vector<std::string>{"x.mrfy"});
    for (const std::string &name : ListFolder(m_folder.Path("bin")))
        EXPECT_EQ(name.find("journal"), std::string::npos) << name << " was left";
}

std::string NobodyRun::WhyNot() const
{
    if (std::string why = WhyNotAsNobody(); !why.empty())
        return why;
    return *GetParam().Strace != '\0' && !StraceWorks() ? "strace is not installed or may not trace"
                                                        : "";
}

void NobodyRun::PatchAndExpectTheRow()
{
    const NobodyCase &row = GetParam();
    ASSERT_EQ(::chmod(m_folder.Path("logs").c_str(), row.LogsFolderMode), 0);
    ASSERT_TRUE(!row.OwnedByNobody || ::chown(Log().c_str(), kNobody, kNobody) == 0);
    ASSERT_EQ(::chmod(Log().c_str(), row.Mode), 0);
    ExpectOutcome(
        Patch(StraceWords(row.Strace) + "setpriv --reuid=nobody --regid=nogroup --clear-groups",
              row.Limit),
        row.Outcome);
    struct stat status = {};
    ASSERT_EQ(::stat(Log().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, row.OwnedByNobody ? kNobody : 0);
    EXPECT_EQ(status.st_mode & 07777, row.Mode);
}

} // namespace mrfyc::test
