// SPDX-License-Identifier: MIT
#pragma once

#include "files/posix/file_descriptor.h"
#include "files/posix/rewrite_journal.h"

#include <cstdint>
#include <memory>

namespace mrfyc {

// Puts a journal's prefix in front of a file's contents in place: the contents are shifted back
// from the end a block at a time, each block copied into the journal and flushed before it is
// written over its own old bytes, and the file flushed before the journal's slot is used again.
// So at any instant the journal's latest step can be written again and the rewrite either
// finished (forward) or undone (back) from there; before the first step, undoing is cutting the
// file to its old size. The journal is removed once the file is old or new again.
class InPlaceRewrite
{
public:
    InPlaceRewrite(const FileDescriptor &file, RewriteJournal &journal);

    // The whole rewrite. Any failure is undone (as far as the disk lets it) and then thrown:
    // EReadError, EWriteError. A journal that could not be finished with stays for the next run.
    void Run();
    // Goes on from where the journal says a killed run stopped; false when the file could not be
    // brought back to old or new, and the journal stays.
    bool Resume() noexcept;

private:
    void Reserve() const;
    void MoveForward();
    void MoveBack();
    void WriteFront() const;
    void Restore() const;
    bool Undo() noexcept;
    void Step(RewriteStep::Direction way, off_t offset, std::size_t length);
    off_t Destination(RewriteStep::Direction way, off_t offset) const;

    const FileDescriptor &m_file;
    RewriteJournal &m_journal;
    const RewritePlan &m_plan;
    off_t m_shift;
    off_t m_moved;                     // [m_moved, old size) lies shifted, the rest in place
    std::optional<RewriteStep> m_torn; // a forward step whose write failed part-way
    std::uint64_t m_sequence = 0;
    bool m_unflushed = false; // a block was written since the file was last flushed
    std::unique_ptr<char[]> m_block;
};

} // namespace mrfyc
