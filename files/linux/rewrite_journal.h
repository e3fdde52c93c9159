// SPDX-License-Identifier: MIT
#pragma once

#include "files/linux/file_descriptor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace mrfyc {

// The bits of a mode that a rewrite keeps: permissions with the setuid, setgid and sticky bits.
inline constexpr mode_t kModeBits = 07777;

// What finishing or undoing a rewrite in place needs to know: the file (what names it and what
// survives a remount), its mode, and the bytes that go in front. The device number is left out on
// purpose: a disk plugged in again or a network file system after a reboot gets another one.
struct RewritePlan
{
    ino_t Inode = 0;
    off_t SizeSeen = 0; // when the journal was made; the marker lies at or beyond it
    mode_t Mode = 0;
    std::size_t BlockSize = 0;
    std::string Prefix;
    // As many bytes as the prefix, unique to this journal: appended to claim the prefix's room at
    // the end of the file in one step, so that a record another writer appends is never cut.
    std::string Marker;
    std::string FileSystem; // the file system's UUID, "" where the system gives none
    std::string Folder;     // resolved, no symlink on the way
    std::string Name;
};

// The old contents as the rewrite found them once their room was claimed: their size and a
// checksum of each block, [k * block size, (k + 1) * block size) cut at the size. Enough to tell
// byte for byte whether a file is in a state the rewrite or its undo can leave.
struct RewriteProof
{
    off_t OldSize = 0;
    std::vector<std::uint64_t> Blocks;
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

// The UUID of the file system that holds the open file, where the system tells it ("" where not):
// unlike the device number, it stays when the disk comes back under another device.
std::string FileSystemUuid(int fd);

// The checksum the journal keeps of a block of old contents.
std::uint64_t BlockChecksum(const char *data, std::size_t size);

// The journal of one rewrite in place, "Temp.txt.journal-XXXXXXXXXXXXXXXX" in the program's
// folder: the plan, two slots that take turns holding the latest step with a copy of its block,
// and the proof of the old contents, each checksummed and flushed before the file is touched. So
// a torn slot is never taken for a step, and the other slot still holds the step before it. A
// running rewrite holds the journal's flock, so that recovery leaves it alone.
class RewriteJournal
{
public:
    enum class Adoption
    {
        NotOurs,   // not this user's, not a plain file, or not a journal at all
        Busy,      // a running rewrite or recovery holds it
        Unwritten, // killed before its plan was complete: nothing had moved
        Unusable,  // ours, but it cannot be written or is of a format this program cannot prove
        Adopted
    };

    RewriteJournal() = default;
    RewriteJournal(RewriteJournal &&) noexcept = default;
    RewriteJournal &operator=(RewriteJournal &&) noexcept = default;
    RewriteJournal(const RewriteJournal &) = delete;
    RewriteJournal &operator=(const RewriteJournal &) = delete;

    // Makes a new journal for plan in folder (UTF-8, with its trailing delimiter): room for the
    // plan and the slots reserved, a fresh marker drawn, the plan written and flushed with the
    // folder. False with errno when it cannot, leaving nothing behind.
    bool Create(const std::string &folder, const RewritePlan &plan);
    // Writes the proof once the old contents are known, and flushes it: no block may move before.
    bool WriteProof(const RewriteProof &proof);
    // Takes up journal `name` in folder, which the caller found there. The plan is read also when
    // the journal is busy or unusable, where it can be, so that the log it names can be told.
    Adoption Adopt(int folder, const std::string &name);
    const RewritePlan &Plan() const { return m_plan; }
    // The proof, once written; a journal without one was stopped before anything moved.
    const std::optional<RewriteProof> &Proof() const { return m_proof; }
    bool HasPlan() const { return !m_plan.Name.empty(); }
    const std::string &Name() const { return m_name; }

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
    bool ReadPlan();
    void ReadProof();
    off_t SlotStart(std::uint64_t sequence) const;
    off_t ProofStart() const;

    int m_folder = -1;
    FileDescriptor m_ownFolder; // when Create opened it
    std::string m_name;
    FileDescriptor m_file;
    RewritePlan m_plan;
    std::optional<RewriteProof> m_proof;
    off_t m_slotsStart = 0;
};

} // namespace mrfyc
