// SPDX-License-Identifier: MIT
#pragma once

#include "files/linux/file_descriptor.h"

#include <sys/types.h>

namespace mrfyc {

// Copies a file's whole contents into another file, from a given offset of the new file on.
// The kernel copies (copy_file_range, no buffer in this process); where it cannot (another file
// system, an old kernel, a file system without support) a small buffer takes over from where the
// kernel stopped. Write-back of the new file is started every few MiB, so that the caller's final
// fdatasync finds little left. Failures throw EReadError, EWriteError or EStreamError.
class FileCopy
{
public:
    FileCopy(const FileDescriptor &from, const FileDescriptor &to, off_t toOffset)
        : m_from(from), m_to(to), m_written(toOffset), m_writeBackStarted(toOffset)
    {}

    // Copies up to the end the source has when the copy gets there, so bytes appended meanwhile
    // are not lost. Returns the number of bytes copied.
    off_t ToEnd();

    // Bytes asked of the kernel per call, and how much the new file may hold dirty before its
    // write-back is started.
    static constexpr off_t kChunkSize = off_t{8} << 20;
    // Buffer of the copy through this process: big enough for full-speed reads and writes, small
    // enough to stay out of the slow path of filling fresh page cache with huge writes.
    static constexpr std::size_t kBufferSize = std::size_t{256} << 10;

private:
    // False when the kernel cannot copy between these files and the buffer must take over.
    bool CopyInKernel();
    void CopyThroughBuffer();
    off_t SourceSize() const;
    void StartWriteBack();

    const FileDescriptor &m_from;
    const FileDescriptor &m_to;
    off_t m_read = 0;
    off_t m_written = 0;
    off_t m_writeBackStarted = 0;
};

} // namespace mrfyc
