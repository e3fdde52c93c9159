// SPDX-License-Identifier: MIT
#include "files/linux/file_copy.h"

#include "files/linux/file_errors.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {

namespace {

// The errors with which copy_file_range says "not between these files", not "it failed".
bool KernelCannotCopy(int error)
{
    return error == EXDEV || error == EINVAL || error == EOPNOTSUPP || error == ENOSYS;
}

} // namespace

off_t FileCopy::ToEnd()
{
    if (!CopyInKernel())
        CopyThroughBuffer();
    return m_read;
}

bool FileCopy::CopyInKernel()
{
    off_t end = 0;
    for (;;) {
        // Asking for no more than the file holds keeps a write at a file size limit from failing
        // when there is nothing left to write; the size is looked at again at the end, for bytes
        // appended meanwhile.
        if (m_read >= end && (end = SourceSize()) <= m_read)
            return true;
        const ssize_t done = m_from.CopySomeTo(
            m_to, m_read, m_written, static_cast<std::size_t>(std::min(end - m_read, kChunkSize)));
        if (done < 0) {
            if (KernelCannotCopy(errno))
                return false;
            // The kernel does not say which side failed; the new file is the one being made.
            ThrowWriteError();
        }
        // Nothing copied before the end: a file system that copies nothing without saying why.
        if (done == 0)
            return false;
        if (m_written - m_writeBackStarted >= kChunkSize)
            StartWriteBack();
    }
}

void FileCopy::CopyThroughBuffer()
{
    const std::unique_ptr<char[]> buffer = AllocateBuffer(kBufferSize);
    // Plain writes at the file position, so that a write that claims more than it stored leaves
    // the file short, which the caller's size check sees; a positioned write would leave a hole.
    if (::lseek(m_to.Get(), m_written, SEEK_SET) != m_written)
        ThrowWriteError();
    for (;;) {
        const ssize_t done = m_from.ReadSomeAt(buffer.get(), kBufferSize, m_read);
        if (done < 0)
            ThrowReadError();
        if (done == 0)
            return;
        if (!m_to.WriteAll(buffer.get(), static_cast<std::size_t>(done)))
            ThrowWriteError();
        m_read += done;
        m_written += done;
        if (m_written - m_writeBackStarted >= kChunkSize)
            StartWriteBack();
    }
}

off_t FileCopy::SourceSize() const
{
    struct stat status = {};
    if (::fstat(m_from.Get(), &status) != 0)
        ThrowReadError();
    return status.st_size;
}

// Only a hint: fdatasync stays the point of durability and reports any error, so a file system
// that refuses the hint loses nothing.
void FileCopy::StartWriteBack()
{
    if (m_written == m_writeBackStarted)
        return;
    static_cast<void>(::sync_file_range(m_to.Get(), m_writeBackStarted,
                                        m_written - m_writeBackStarted, SYNC_FILE_RANGE_WRITE));
    m_writeBackStarted = m_written;
}

} // namespace mrfyc
