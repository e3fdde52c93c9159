// SPDX-License-Identifier: MIT
#include "files/linux/in_place_rewrite.h"

#include "files/linux/file_errors.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {

namespace {

bool RestoreMode(const FileDescriptor &file, mode_t mode)
{
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        return false;
    return (status.st_mode & kModeBits) == mode || ::fchmod(file.Get(), mode) == 0;
}

} // namespace

InPlaceRewrite::InPlaceRewrite(const FileDescriptor &file, RewriteJournal &journal)
    : m_file(file), m_journal(journal), m_plan(journal.Plan()),
      m_shift(static_cast<off_t>(m_plan.Prefix.size())),
      m_oldSize(journal.Proof() ? journal.Proof()->OldSize : -1), m_moved(m_oldSize),
      m_block(AllocateBuffer(m_plan.BlockSize))
{}

void InPlaceRewrite::Run()
{
    try {
        ClaimRoom();
    } catch (const Exception &) {
        m_journal.Remove();
        throw;
    }
    try {
        Reserve();
        Prove();
        MoveForward();
        WriteFront();
    } catch (const Exception &) {
        const std::exception_ptr error = std::current_exception();
        if (Undo())
            m_journal.Remove();
        std::rethrow_exception(error);
    }
    m_journal.Remove();
}

bool InPlaceRewrite::Resume(const std::optional<RewriteStep> &step) noexcept
{
    try {
        if (step) {
            // Written again whole: it may have been cut short by the kill.
            m_sequence = step->Sequence;
            if (!m_file.WriteAllAt(m_block.get(), step->Length,
                                   Destination(step->Way, step->Offset)))
                return false;
            m_unflushed = true;
        }
        struct stat status = {};
        if (::fstat(m_file.Get(), &status) != 0)
            return false;
        // Records appended after the room was claimed would be cut by an undo; going forward
        // keeps them after the old contents.
        const bool appendedSince = status.st_size > m_oldSize + m_shift;
        if (step ? step->Way == RewriteStep::Direction::Forward : appendedSince) {
            m_moved = step ? step->Offset : m_oldSize;
            MoveForward();
            WriteFront();
        } else {
            m_moved = step ? step->Offset + static_cast<off_t>(step->Length) : m_oldSize;
            MoveBack();
            Restore();
        }
        return m_journal.Remove();
    } catch (...) {
        return false;
    }
}

bool InPlaceRewrite::ResumeUnproven() noexcept
{
    // The marker was appended at or beyond the size seen, moments before a kill: the bytes after
    // that size are what others appended meanwhile, and little.
    constexpr off_t kMostSearched = 64 << 20;
    try {
        struct stat status = {};
        if (::fstat(m_file.Get(), &status) != 0)
            return false;
        const off_t from = std::min(m_plan.SizeSeen, status.st_size);
        if (status.st_size - from > kMostSearched)
            return false;
        std::string tail(static_cast<std::size_t>(status.st_size - from), '\0');
        if (!m_file.ReadExactlyAt(tail.data(), tail.size(), from))
            return false;
        const std::size_t at = tail.find(m_plan.Marker);
        // Never appended: nothing had changed.
        if (m_plan.Marker.empty() || at == std::string::npos)
            return m_journal.Remove();
        if (at + m_plan.Marker.size() != tail.size())
            return false;
        if (::ftruncate(m_file.Get(), from + static_cast<off_t>(at)) != 0 ||
            ::fdatasync(m_file.Get()) != 0)
            return false;
        return m_journal.Remove();
    } catch (...) {
        return false;
    }
}

// One write with O_APPEND: the kernel puts it at the end as it is at that instant, so the old
// contents are exactly what lies before it, and nothing another writer appends is cut in two.
void InPlaceRewrite::ClaimRoom()
{
    const int flags = ::fcntl(m_file.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(m_file.Get(), F_SETFL, flags | O_APPEND) != 0)
        ThrowWriteError();
    ssize_t written = 0;
    do
        written = ::write(m_file.Get(), m_plan.Marker.data(), m_plan.Marker.size());
    while (written < 0 && errno == EINTR);
    const int error = written < 0 ? errno : 0;
    const off_t end = ::lseek(m_file.Get(), 0, SEEK_CUR);
    // Positioned writes on a file opened for appending would land at its end.
    const bool restored = ::fcntl(m_file.Get(), F_SETFL, flags) == 0;
    if (written == static_cast<ssize_t>(m_plan.Marker.size()) && end >= m_shift && restored) {
        m_oldSize = end - m_shift;
        m_moved = m_oldSize;
        return;
    }
    // Part of it may have made it: cut off again, unless another writer appended after it.
    struct stat status = {};
    if (written > 0 && end >= written && ::fstat(m_file.Get(), &status) == 0 &&
        status.st_size == end && ::ftruncate(m_file.Get(), end - written) != 0)
        ThrowWriteError();
    ThrowWriteError(error);
}

// Read once before anything moves: what recovery needs to recognise each block of the old
// contents wherever the rewrite puts it.
void InPlaceRewrite::Prove()
{
    RewriteProof proof{m_oldSize, {}};
    const auto blockSize = static_cast<off_t>(m_plan.BlockSize);
    proof.Blocks.reserve(static_cast<std::size_t>((m_oldSize + blockSize - 1) / blockSize));
    for (off_t at = 0; at < m_oldSize; at += blockSize) {
        const auto size = static_cast<std::size_t>(std::min(blockSize, m_oldSize - at));
        if (!m_file.ReadExactlyAt(m_block.get(), size, at))
            ThrowReadError();
        proof.Blocks.push_back(BlockChecksum(m_block.get(), size));
    }
    if (!m_journal.WriteProof(proof))
        ThrowWriteError();
}

// Gives every byte of the new size its room on disk (a sparse log has holes) before any byte
// moves, so that a full disk fails while the contents are still untouched.
void InPlaceRewrite::Reserve() const
{
    const int error = ::posix_fallocate(m_file.Get(), 0, m_oldSize + m_shift);
    if (error != 0)
        ThrowWriteError(error);
}

// From the end backwards, so that no block is written over before it has been moved.
void InPlaceRewrite::MoveForward()
{
    const auto blockSize = static_cast<off_t>(m_plan.BlockSize);
    while (m_moved > 0) {
        // Blocks lie where the proof cut them, counted from the start.
        const off_t start = (m_moved - 1) / blockSize * blockSize;
        const auto size = static_cast<std::size_t>(m_moved - start);
        if (!m_file.ReadExactlyAt(m_block.get(), size, start))
            ThrowReadError();
        Step(RewriteStep::Direction::Forward, start, size);
        m_moved = start;
    }
}

// Front to back: each block's copy lies beyond anything written before it.
void InPlaceRewrite::MoveBack()
{
    while (m_moved < m_oldSize) {
        const auto size = static_cast<std::size_t>(
            std::min<off_t>(m_oldSize - m_moved, static_cast<off_t>(m_plan.BlockSize)));
        if (!m_file.ReadExactlyAt(m_block.get(), size, m_moved + m_shift))
            ThrowReadError();
        Step(RewriteStep::Direction::Back, m_moved, size);
        m_moved += static_cast<off_t>(size);
    }
}

void InPlaceRewrite::WriteFront() const
{
    if (!m_file.WriteAllAt(m_plan.Prefix.data(), m_plan.Prefix.size(), 0) ||
        !RestoreMode(m_file, m_plan.Mode) || ::fdatasync(m_file.Get()) != 0)
        ThrowWriteError();
}

void InPlaceRewrite::Restore() const
{
    // Records another writer appended after the room was claimed would be cut off with it: the
    // journal then stays, and the run says so.
    struct stat status = {};
    if (::fstat(m_file.Get(), &status) != 0)
        ThrowWriteError();
    if (status.st_size > m_oldSize + m_shift)
        ThrowWriteError(0);
    // The mode only matters to a file whose bits a write cleared; the contents come first.
    if (::ftruncate(m_file.Get(), m_oldSize) != 0)
        ThrowWriteError();
    static_cast<void>(RestoreMode(m_file, m_plan.Mode));
    if (::fdatasync(m_file.Get()) != 0)
        ThrowWriteError();
}

bool InPlaceRewrite::Undo() noexcept
{
    try {
        // The block's own old place may have been written over too; it is still in memory.
        if (m_torn) {
            Step(RewriteStep::Direction::Back, m_torn->Offset, m_torn->Length);
            m_torn.reset();
        }
        MoveBack();
        Restore();
        return true;
    } catch (...) {
        return false;
    }
}

// Journalled before the file is touched: a kill during the write finds the block in the journal.
void InPlaceRewrite::Step(RewriteStep::Direction way, off_t offset, std::size_t length)
{
    // The step before must be on disk before its slot can be taken for the one after next.
    if (m_unflushed && ::fdatasync(m_file.Get()) != 0)
        ThrowWriteError();
    m_unflushed = false;
    const RewriteStep step{m_sequence + 1, way, offset, length};
    // A slot that failed is taken again by the next step, so the other one keeps the latest.
    if (!m_journal.WriteStep(step, m_block.get()))
        ThrowWriteError();
    m_sequence = step.Sequence;
    if (!m_file.WriteAllAt(m_block.get(), length, Destination(way, offset))) {
        if (way == RewriteStep::Direction::Forward)
            m_torn = step;
        ThrowWriteError();
    }
    m_unflushed = true;
}

off_t InPlaceRewrite::Destination(RewriteStep::Direction way, off_t offset) const
{
    return way == RewriteStep::Direction::Forward ? offset + m_shift : offset;
}

} // namespace mrfyc
