// SPDX-License-Identifier: MIT
#include "files/linux/rewrite_state.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace mrfyc {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

} // namespace

RewriteStateCheck::RewriteStateCheck(const FileDescriptor &file, const RewritePlan &plan,
                                     const RewriteProof &proof)
    : m_file(file), m_plan(plan), m_proof(proof), m_shift(static_cast<off_t>(plan.Prefix.size())),
      m_split(proof.OldSize)
{
    struct stat status = {};
    if (::fstat(file.Get(), &status) == 0)
        m_size = status.st_size;
}

off_t RewriteStateCheck::BlockLength(std::size_t block) const
{
    const auto blockSize = static_cast<off_t>(m_plan.BlockSize);
    return std::min(blockSize, m_proof.OldSize - static_cast<off_t>(block) * blockSize);
}

bool RewriteStateCheck::IsOld() const
{
    return m_size == m_proof.OldSize && BlocksMatch(0, m_proof.Blocks.size(), 0);
}

bool RewriteStateCheck::IsPatched() const
{
    return m_size >= m_proof.OldSize + m_shift && BytesMatch(0, m_shift, {Source::PrefixHere}) &&
           BlocksMatch(0, m_proof.Blocks.size(), m_shift);
}

bool RewriteStateCheck::IsLeftBy(const std::optional<RewriteStep> &step, const char *block)
{
    const off_t oldSize = m_proof.OldSize;
    const off_t end = oldSize + m_shift;
    if (m_size < end)
        return false;
    if (!step) {
        // The room claimed, nothing moved: the old contents, then the marker.
        m_split = oldSize;
        return BlocksMatch(0, m_proof.Blocks.size(), 0) &&
               BytesMatch(oldSize, end, {Source::OldHere});
    }
    const auto blockSize = static_cast<off_t>(m_plan.BlockSize);
    const auto index = static_cast<std::size_t>(step->Offset / blockSize);
    if (step->Offset % blockSize != 0 || index >= m_proof.Blocks.size() ||
        static_cast<off_t>(step->Length) != BlockLength(index) ||
        BlockChecksum(block, step->Length) != m_proof.Blocks[index])
        return false;
    const off_t start = step->Offset;
    const off_t stop = start + static_cast<off_t>(step->Length);
    m_split = start;
    m_slotLength = stop - start;
    m_slot = block;
    // Blocks before the step were never moved or are back; those after it lie moved forward.
    if (!BlocksMatch(0, index, 0) || !BlocksMatch(index + 1, m_proof.Blocks.size(), m_shift))
        return false;
    if (step->Way == RewriteStep::Direction::Forward) {
        // Before the block's new place: as it was, or the prefix once the first block moved.
        if (start == 0 ? !BytesMatch(0, m_shift, {Source::OldHere, Source::PrefixHere})
                       : !BytesMatch(start, start + m_shift, {Source::OldHere}))
            return false;
        return BytesMatch(start + m_shift, stop + m_shift, {Source::OldHere, Source::OldShifted});
    }
    // Moving back: the block's place and the room after it hold what the way forward, an undo
    // of a block cut short, or this step can have left there.
    return BytesMatch(start, stop + m_shift,
                      {Source::OldHere, Source::OldShifted, Source::PrefixHere});
}

bool RewriteStateCheck::BlocksMatch(std::size_t first, std::size_t last, off_t shift) const
{
    const auto buffer = std::make_unique_for_overwrite<char[]>(m_plan.BlockSize);
    for (std::size_t block = first; block < last; ++block) {
        const auto length = static_cast<std::size_t>(BlockLength(block));
        const off_t at = static_cast<off_t>(block * m_plan.BlockSize) + shift;
        if (!m_file.ReadExactlyAt(buffer.get(), length, at) ||
            BlockChecksum(buffer.get(), length) != m_proof.Blocks[block])
            return false;
    }
    return true;
}

// Each byte of [from, to) must be what one of sources puts there.
bool RewriteStateCheck::BytesMatch(off_t from, off_t to,
                                   std::initializer_list<Source> sources) const
{
    std::vector<char> have(kChunk);
    std::vector<std::vector<char>> want(sources.size(), std::vector<char>(kChunk));
    std::vector<std::pair<std::size_t, std::size_t>> valid(sources.size());
    for (off_t at = from; at < to; at += static_cast<off_t>(kChunk)) {
        const auto size = static_cast<std::size_t>(std::min<off_t>(to - at, kChunk));
        if (!m_file.ReadExactlyAt(have.data(), size, at))
            return false;
        std::size_t i = 0;
        for (const Source source : sources) {
            if (!Expected(source, at, size, want[i].data(), valid[i].first, valid[i].second))
                return false;
            ++i;
        }
        for (std::size_t byte = 0; byte < size; ++byte) {
            bool known = false;
            for (std::size_t s = 0; s < sources.size() && !known; ++s)
                known =
                    byte >= valid[s].first && byte < valid[s].second && want[s][byte] == have[byte];
            if (!known)
                return false;
        }
    }
    return true;
}

// What source puts at [at, at + size), into out; only [validFrom, validTo) of it is anything.
bool RewriteStateCheck::Expected(Source source, off_t at, std::size_t size, char *out,
                                 std::size_t &validFrom, std::size_t &validTo) const
{
    const off_t oldSize = m_proof.OldSize;
    const auto clip = [&](off_t from, off_t to) {
        validFrom = static_cast<std::size_t>(std::clamp<off_t>(from - at, 0, off_t(size)));
        validTo = static_cast<std::size_t>(std::clamp<off_t>(to - at, 0, off_t(size)));
        return validFrom < validTo;
    };
    switch (source) {
    case Source::PrefixHere:
        if (clip(0, m_shift))
            std::memcpy(out + validFrom, m_plan.Prefix.data() + at + off_t(validFrom),
                        validTo - validFrom);
        return true;
    case Source::OldShifted:
        return !clip(m_shift, oldSize + m_shift) ||
               OldBytes(at + off_t(validFrom) - m_shift, validTo - validFrom, out + validFrom);
    case Source::OldHere:
        break;
    }
    clip(0, oldSize + m_shift);
    const auto old = static_cast<std::size_t>(std::clamp<off_t>(oldSize - at, 0, off_t(size)));
    if (old > 0 && !OldBytes(at, old, out))
        return false;
    // Beyond the old contents lies the marker that claimed the room.
    for (std::size_t byte = std::max(old, validFrom); byte < validTo; ++byte)
        out[byte] = m_plan.Marker[static_cast<std::size_t>(at + off_t(byte) - oldSize)];
    return true;
}

// The old contents at [at, at + size), from wherever the state puts them: the checksums have
// proven each of those places.
bool RewriteStateCheck::OldBytes(off_t at, std::size_t size, char *out) const
{
    while (size > 0) {
        std::size_t part = 0;
        if (at < m_split) {
            part = static_cast<std::size_t>(std::min<off_t>(off_t(size), m_split - at));
            if (!m_file.ReadExactlyAt(out, part, at))
                return false;
        } else if (at < m_split + m_slotLength) {
            part =
                static_cast<std::size_t>(std::min<off_t>(off_t(size), m_split + m_slotLength - at));
            std::memcpy(out, m_slot + (at - m_split), part);
        } else {
            part = size;
            if (!m_file.ReadExactlyAt(out, part, at + m_shift))
                return false;
        }
        out += part;
        at += static_cast<off_t>(part);
        size -= part;
    }
    return true;
}

} // namespace mrfyc
