// SPDX-License-Identifier: MIT
#pragma once

#include "files/posix/file_descriptor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace mrfyc {

// What finishing or undoing a rewrite in place needs to know: the file (its identity and where it
// lies), its old size and mode, and the bytes that go in front.
struct RewritePlan
{
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t OldSize = 0;
    mode_t Mode = 0;
    std::size_t BlockSize = 0;
    std::string Prefix;
    std::string Folder; // resolved, no symlink on the way
    std::string Name;
};

// One block of the old contents on its way: [Offset, Offset + Length) moving forward (to Offset +
// the prefix's length) or back (to Offset). Its bytes are in the journal until the next step.
struct RewriteStep
{
    enum class Direction : std::uint64_t
    {
        Forward = 1,
        Back = 2
    };

    std::uint64_t Sequence = 0;
    Direction Way = Direction::Forward;
    off_t Offset = 0;
    std::size_t Length = 0;
};

// The journal of one rewrite in place, "Temp.txt.journal-XXXXXXXXXXXXXXXX" in the program's
// folder: the plan, then two slots that take turns holding the latest step with a copy of its
// block, each checksummed and flushed before the file is touched. So a torn slot is never taken
// for a step, and the other slot still holds the step before it. A running rewrite holds the
// journal's flock, so that recovery leaves it alone.
class RewriteJournal
{
public:
    enum class Adoption
    {
        NotOurs,   // not this user's, not a plain file, or not a journal at all
        Busy,      // a running rewrite holds it
        Unwritten, // killed before its plan was complete: nothing had moved
        Adopted
    };

    RewriteJournal() = default;
    RewriteJournal(RewriteJournal &&) noexcept = default;
    RewriteJournal &operator=(RewriteJournal &&) noexcept = default;
    RewriteJournal(const RewriteJournal &) = delete;
    RewriteJournal &operator=(const RewriteJournal &) = delete;

    // Makes a new journal for plan in folder (UTF-8, with its trailing delimiter): its full size
    // reserved, the plan written and flushed with the folder. False with errno when it cannot,
    // leaving nothing behind.
    bool Create(const std::string &folder, const RewritePlan &plan);
    // Takes up journal `name` in folder, which the caller found there.
    Adoption Adopt(int folder, const std::string &name);
    const RewritePlan &Plan() const { return m_plan; }

    // Writes the step and its block (step.Length bytes) into the older slot and flushes them.
    bool WriteStep(const RewriteStep &step, const char *block) const;
    // The latest step that was written whole, its block copied to `block` (room for the plan's
    // block size); nullopt when there is none.
    std::optional<RewriteStep> ReadLatestStep(char *block) const;
    // Removes the journal, if its name still means it.
    bool Remove();

    static bool IsJournalName(std::string_view name);

private:
    bool CreateNamed();
    bool WritePlan() const;
    off_t SlotStart(std::uint64_t sequence) const;
    bool StillNamed() const;

    int m_folder = -1;
    FileDescriptor m_ownFolder; // when Create opened it
    std::string m_name;
    FileDescriptor m_file;
    RewritePlan m_plan;
    off_t m_slotsStart = 0;
};

} // namespace mrfyc
