#include "core/file_copy.h"

#include "core/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>

namespace mrfyc {

namespace {

[[noreturn]] void ThrowWriteError(int error)
{
    throw EWriteError(std::string(kWriteErrorText), error);
}

[[noreturn]] void ThrowReadError(int error)
{
    throw EReadError(std::string(kReadErrorText), error);
}

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
    for (;;) {
        const ssize_t done =
            m_from.CopySomeTo(m_to, m_read, m_written, static_cast<std::size_t>(kChunkSize));
        if (done < 0) {
            if (KernelCannotCopy(errno))
                return false;
            // The kernel does not say which side failed; the new file is the one being made.
            ThrowWriteError(errno);
        }
        // Nothing copied: the end of the file, or a file system that copies nothing without
        // saying why. The buffer finds out which, at the cost of one read at the end.
        if (done == 0)
            return false;
        if (m_written - m_writeBackStarted >= kChunkSize)
            StartWriteBack();
    }
}

void FileCopy::CopyThroughBuffer()
{
    std::unique_ptr<char[]> buffer;
    try {
        buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText));
    }
    for (;;) {
        const ssize_t done = m_from.ReadSomeAt(buffer.get(), kBufferSize, m_read);
        if (done < 0)
            ThrowReadError(errno);
        if (done == 0)
            return;
        if (!m_to.WriteAllAt(buffer.get(), static_cast<std::size_t>(done), m_written))
            ThrowWriteError(errno);
        m_read += done;
        m_written += done;
        if (m_written - m_writeBackStarted >= kChunkSize)
            StartWriteBack();
    }
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
