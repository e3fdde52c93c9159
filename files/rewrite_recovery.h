// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace mrfyc {

// A journal of an interrupted rewrite in place that a run found and could not finish with: it
// stays, and the log it names must not be read as if it were whole.
struct WaitingRewrite
{
    enum class Reason
    {
        Unreachable, // the log's folder did not answer in time, or is not there (not mounted)
        NotTheLog,   // the name means no file in a state the rewrite left: left untouched
        Unusable,    // the journal cannot be written, or is of a format that proves nothing
        Busy,        // another run is rewriting or recovering that log right now
        Failed       // the disk refused to bring the log back
    };

    std::string Journal; // the journal's path
    std::string Log;     // the log's path as the journal names it; "" when it cannot be read
    Reason Why = Reason::Failed;
};

struct RecoveryReport
{
    std::vector<WaitingRewrite> Waiting;

    // The waiting journal that names the log at path (UTF-8, as the user gave it), or nullptr.
    const WaitingRewrite *For(const std::string &path) const;
};

// Brings every log whose rewrite in place a killed run left journalled in programDirectory (UTF-8,
// with its trailing delimiter) back to its old or its patched contents, once its contents prove
// it is in a state the rewrite left. Only journals of the user running this count. Each log is
// reached in a child process with a deadline of a moment, so a folder that does not answer holds
// up nothing. Called before a program does anything else and before each patch; without journals
// it costs one read of the folder. Never fails: what could not be finished is in the report, and
// its journal stays for the next run.
RecoveryReport RecoverInterruptedRewrites(const std::string &programDirectory) noexcept;

} // namespace mrfyc
