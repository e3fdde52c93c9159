// SPDX-License-Identifier: MIT
#pragma once

#include "tests/support/child_process.h"
#include "tests/support/linux/folder_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace mrfyc::test {

// A log of several copy blocks in logs/ beside a folder's own patcher, patched in a child process
// behind any wrapper command (strace, setpriv, timeout). In texts and commands {log}, {logs},
// {scratch} and {bin} stand for the log, its folder, "Temp.txt" and the patcher's folder.
class PatchRun : public testing::Test
{
public:
    static constexpr std::size_t kLogSize = 3 * 1024 * 1024 + 1000; // four blocks with the header
    static constexpr uid_t kNobody = 65534;

protected:
    void SetUp() override;
    void TearDown() override;

    std::string Patcher() const { return m_folder.Patcher(); }
    std::string Scratch() const { return m_folder.Scratch(); }
    std::string Log() const { return m_folder.Path("logs/x.mrfy"); }
    std::string Resolve(std::string text) const;

    // The words of command, tokens resolved, followed by the patcher and the log.
    ChildResult Patch(const std::string &command = "", std::optional<rlim_t> limit = {}) const;
    // Whether command runs here at all: a container may refuse ptrace, setuid or mounts.
    static bool Works(const std::vector<std::string> &command);
    // Why the patcher cannot run as nobody here, or "" when it can.
    std::string WhyNotAsNobody() const;
    // The words in front of a patch under strace with these options, "" for none.
    static std::string StraceWords(const char *options);

    // Patched, with "Temp.txt" beside the patcher, or failed with the text and the old log
    // intact; no new file nor journal left either way.
    void ExpectOutcome(const ChildResult &result, std::string_view outcome) const;

    PatcherFolder m_folder;
    std::string m_old;

private:
    std::optional<std::string> m_savedLocale;
};

// A patch as nobody of a log with this mode and owner in a folder with this mode.
struct NobodyCase
{
    const char *Name;
    mode_t Mode;
    bool OwnedByNobody;
    std::string_view Outcome;
    std::optional<rlim_t> Limit = {};
    mode_t LogsFolderMode = 0755; // root's: nobody rewrites in place
    const char *Strace = "";      // strace's options, "" to run without
};

class NobodyRun : public PatchRun, public testing::WithParamInterface<NobodyCase>
{
protected:
    // Why the row cannot run here, or "" when it can.
    std::string WhyNot() const;
    // Runs the row's patch as nobody; the log's owner and mode stay whatever the outcome.
    void PatchAndExpectTheRow();
};

} // namespace mrfyc::test
