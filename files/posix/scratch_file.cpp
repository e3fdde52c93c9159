// SPDX-License-Identifier: MIT
#include "files/scratch_file.h"

#include "files/posix/file_descriptor.h"
#include "rules/errors.h"
#include "rules/scratch_lock.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {

namespace {

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Create-always: replaces and truncates. O_NONBLOCK keeps a FIFO of that name from blocking, and
// O_NOFOLLOW keeps a symlink planted there from sending the header into another file. A new file
// is its owner's alone: anyone who may open it may also lock it.
// The returned descriptor holds a lock until the header has been read back, so that two patches
// at once can neither read each other's header nor a file the other has just truncated.
FileDescriptor WriteScratchFile(const std::string &scratchPath, std::string_view header)
{
    FileDescriptor file(::open(scratchPath.c_str(),
                               O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                               0600));
    if (!file.IsValid())
        throw EFCreateError(FileCreateErrorText(scratchPath), errno);
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        throw EFCreateError(FileCreateErrorText(scratchPath), errno);
    if (!S_ISREG(status.st_mode))
        throw EFCreateError(FileCreateErrorText(scratchPath));
    if (!file.LockExclusiveWithin(kScratchLockWait) || ::ftruncate(file.Get(), 0) != 0)
        throw EFCreateError(FileCreateErrorText(scratchPath), errno);
    if (!file.WriteAll(header.data(), header.size()))
        throw EWriteError(std::string(kWriteErrorText), errno);
    return file;
}

// Opened again by name, but only the very file that was written is read.
std::string ReadScratchFile(const std::string &scratchPath, const FileDescriptor &written)
{
    FileDescriptor file(
        ::open(scratchPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.IsValid())
        throw EFOpenError(FileOpenErrorText(scratchPath), errno);
    struct stat status = {};
    struct stat writtenStatus = {};
    if (::fstat(file.Get(), &status) != 0 || ::fstat(written.Get(), &writtenStatus) != 0)
        throw EFOpenError(FileOpenErrorText(scratchPath), errno);
    if (!S_ISREG(status.st_mode) || !SameFile(status, writtenStatus))
        throw EFOpenError(FileOpenErrorText(scratchPath));
    std::string contents;
    try {
        contents.resize(static_cast<std::size_t>(status.st_size));
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText), ENOMEM);
    } catch (const std::length_error &) {
        throw EStreamError(std::string(kStreamMemoryErrorText), ENOMEM);
    }
    if (!file.ReadExactly(contents.data(), contents.size()))
        throw EReadError(std::string(kReadErrorText), errno);
    return contents;
}

} // namespace

struct ScratchFile::Impl
{
    FileDescriptor File;
    std::string Path;
};

ScratchFile::ScratchFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
ScratchFile::ScratchFile(ScratchFile &&other) noexcept = default;
ScratchFile &ScratchFile::operator=(ScratchFile &&other) noexcept = default;
ScratchFile::~ScratchFile() = default;

ScratchFile ScratchFile::Write(const std::string &path, std::string_view header)
{
    auto impl = std::make_unique<Impl>();
    impl->File = WriteScratchFile(path, header);
    impl->Path = path;
    return ScratchFile(std::move(impl));
}

std::string ScratchFile::ReadBack()
{
    return ReadScratchFile(m_impl->Path, m_impl->File);
}

void ScratchFile::Close()
{
    if (!m_impl->File.Close())
        throw EWriteError(std::string(kWriteErrorText), errno);
}

} // namespace mrfyc
