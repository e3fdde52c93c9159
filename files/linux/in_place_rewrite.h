// SPDX-License-Identifier: MIT
#pragma once

#include "files/linux/file_descriptor.h"
#include "files/linux/rewrite_journal.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace mrfyc {

// Puts a journal's prefix in front of a file's contents in place. First the room is claimed by
// appending the journal's marker (in one write with O_APPEND, so a record another writer appends
// lands wholly before or wholly after it), and the old contents, everything before the marker,
// are read once for the journal's proof. Then the contents are shifted back from the end a block
// at a time, each block copied into the journal and flushed before it is written over its own old
// bytes, and the file flushed before the journal's slot is used again. So at any instant the
// journal's latest step can be written again and the rewrite either finished (forward) or undone
// (back) from there; before the first step, undoing is cutting the marker off again. The journal
// is removed once the file is old or new again.
class InPlaceRewrite
{
public:
    InPlaceRewrite(const FileDescriptor &file, RewriteJournal &journal);

    // The whole rewrite. Any failure is undone (as far as the disk lets it) and then thrown:
    // EReadError, EWriteError. A journal that could not be finished with stays for the next run.
    void Run();
    // Goes on from where the journal says a killed run stopped, once RewriteStateCheck has found
    // the file in the state that step left; false when the file could not be brought back to old
    // or new, and the journal stays.
    bool Resume(const std::optional<RewriteStep> &step) noexcept;
    // Cuts off the marker of a run killed before its proof, when it ends the file; false when
    // another writer appended after it, and the journal stays.
    bool ResumeUnproven() noexcept;
    // The block that Resume's step carries; room for the plan's block size.
    char *Block() { return m_block.get(); }

private:
    void ClaimRoom();
    void Prove();
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
    off_t m_oldSize = -1;              // known once the room is claimed
    off_t m_moved = 0;                 // [m_moved, old size) lies shifted, the rest in place
    std::optional<RewriteStep> m_torn; // a forward step whose write failed part-way
    std::uint64_t m_sequence = 0;
    bool m_unflushed = false; // a block was written since the file was last flushed
    std::unique_ptr<char[]> m_block;
};

} // namespace mrfyc
