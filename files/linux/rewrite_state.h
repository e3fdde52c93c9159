// SPDX-License-Identifier: MIT
#pragma once

#include "files/linux/file_descriptor.h"
#include "files/linux/rewrite_journal.h"

#include <optional>
#include <sys/types.h>

namespace mrfyc {

// Tells, from the journal's checksums of the old contents, which state a rewrite in place left a
// file in, before recovery writes a byte of it. A block of old contents is known by its checksum
// wherever the rewrite can have put it; every other byte must be, one by one, a byte that the
// rewrite or its undo can have left at that place (a write cut short by a kill leaves any mix of
// the bytes before and after it). A file that fits no state is not the log the journal describes,
// or was changed since by other means: recovery then leaves it alone.
class RewriteStateCheck
{
public:
    RewriteStateCheck(const FileDescriptor &file, const RewritePlan &plan,
                      const RewriteProof &proof);

    // The old contents exactly, and nothing after them.
    bool IsOld() const;
    // The prefix followed by the old contents (and whatever was appended since).
    bool IsPatched() const;
    // A state the rewrite or its undo leaves when stopped at step (its block in `block`), or,
    // without a step, once the room was claimed and before any block moved.
    bool IsLeftBy(const std::optional<RewriteStep> &step, const char *block);

private:
    enum class Source
    {
        OldHere,    // the old contents at this offset, the marker beyond them
        OldShifted, // the old contents moved forward by the prefix
        PrefixHere  // the prefix at the start
    };

    bool BlocksMatch(std::size_t first, std::size_t last, off_t shift) const;
    bool BytesMatch(off_t from, off_t to, std::initializer_list<Source> sources) const;
    bool Expected(Source source, off_t at, std::size_t size, char *out, std::size_t &validFrom,
                  std::size_t &validTo) const;
    bool OldBytes(off_t at, std::size_t size, char *out) const;
    off_t BlockLength(std::size_t block) const;

    const FileDescriptor &m_file;
    const RewritePlan &m_plan;
    const RewriteProof &m_proof;
    off_t m_shift;
    off_t m_size = -1;
    // Where the old contents are read from: before m_split at their own place, [m_split,
    // m_split + m_slotLength) in the journal's block, the rest moved forward.
    off_t m_split = 0;
    off_t m_slotLength = 0;
    const char *m_slot = nullptr;
};

} // namespace mrfyc
