// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace mrfyc {

// Puts bytes in front of a log's contents without ever leaving it half-written: the new contents
// are streamed into a new file in the log's own folder, flushed, and only then put in place.
// Any failure leaves the old log byte for byte and no new file behind. Failures throw the error
// kinds of rules/errors.h, naming the path as the user gave it.
class LogReplacement
{
public:
    explicit LogReplacement(std::string path); // UTF-8
    LogReplacement(const LogReplacement &) = delete;
    LogReplacement &operator=(const LogReplacement &) = delete;
    ~LogReplacement();

    // EFOpenError when the log is missing, not a plain file, held open for writing by someone
    // else, or being patched by another run.
    void Open();
    // Replaces the contents with prefix + the old contents. EFCreateError when the log is
    // read-only or no new file can be made beside it; EWriteError, EReadError, EStreamError.
    void Prepend(std::string_view prefix);
    // Where a rewrite in place keeps the journal that lets the next run finish or undo it after
    // a kill (the program's folder). Without one, a log that could only be rewritten in place is
    // refused. Windows never rewrites in place.
    void SetJournalFolder(std::string folder);

    // The block a copy through this process moves at a time, and a rewrite in place journals:
    // large enough for full-speed I/O, small enough to keep memory flat. The kernel's copy into a
    // new file on Linux has sizes of its own (FileCopy).
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

private:
    struct Impl;

    std::string m_path;
    std::unique_ptr<Impl> m_impl;
};

} // namespace mrfyc
