// SPDX-License-Identifier: MIT
#include "files/posix/in_place_rewrite.h"

#include "rules/errors.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {

namespace {

constexpr mode_t kModeBits = 07777; // permissions with the setuid, setgid and sticky bits

[[noreturn]] void ThrowWriteError(int systemError = errno)
{
    throw EWriteError(std::string(kWriteErrorText), systemError);
}

std::unique_ptr<char[]> AllocateBlock(std::size_t size)
{
    try {
        return std::make_unique_for_overwrite<char[]>(size);
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText), ENOMEM);
    }
}

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
      m_shift(static_cast<off_t>(m_plan.Prefix.size())), m_moved(m_plan.OldSize),
      m_block(AllocateBlock(m_plan.BlockSize))
{}

void InPlaceRewrite::Run()
{
    try {
        Reserve();
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

bool InPlaceRewrite::Resume() noexcept
{
    try {
        const std::optional<RewriteStep> step = m_journal.ReadLatestStep(m_block.get());
        if (step) {
            // Written again whole: it may have been cut short by the kill.
            m_sequence = step->Sequence;
            if (!m_file.WriteAllAt(m_block.get(), step->Length,
                                   Destination(step->Way, step->Offset)))
                return false;
            m_unflushed = true;
        }
        if (step && step->Way == RewriteStep::Direction::Forward) {
            m_moved = step->Offset;
            MoveForward();
            WriteFront();
        } else {
            m_moved = step ? step->Offset + static_cast<off_t>(step->Length) : m_plan.OldSize;
            MoveBack();
            Restore();
        }
        return m_journal.Remove();
    } catch (...) {
        return false;
    }
}

// Gives the file its new size before any byte moves, so that a full disk or a size limit fails
// while the contents are still untouched.
void InPlaceRewrite::Reserve() const
{
    const int error = ::posix_fallocate(m_file.Get(), 0, m_plan.OldSize + m_shift);
    if (error != 0)
        ThrowWriteError(error);
}

// From the end backwards, so that no block is written over before it has been moved.
void InPlaceRewrite::MoveForward()
{
    while (m_moved > 0) {
        const auto size = static_cast<std::size_t>(
            std::min<off_t>(m_moved, static_cast<off_t>(m_plan.BlockSize)));
        const off_t start = m_moved - static_cast<off_t>(size);
        if (!m_file.ReadExactlyAt(m_block.get(), size, start))
            throw EReadError(std::string(kReadErrorText), errno);
        Step(RewriteStep::Direction::Forward, start, size);
        m_moved = start;
    }
}

// Front to back: each block's copy lies beyond anything written before it.
void InPlaceRewrite::MoveBack()
{
    while (m_moved < m_plan.OldSize) {
        const auto size = static_cast<std::size_t>(
            std::min<off_t>(m_plan.OldSize - m_moved, static_cast<off_t>(m_plan.BlockSize)));
        if (!m_file.ReadExactlyAt(m_block.get(), size, m_moved + m_shift))
            throw EReadError(std::string(kReadErrorText), errno);
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
    // The mode only matters to a file whose bits a write cleared; the contents come first.
    if (::ftruncate(m_file.Get(), m_plan.OldSize) != 0)
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
