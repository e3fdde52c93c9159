#include "core/safe_file_replace.h"

#include "core/code_page.h"
#include "core/errors.h"
#include "core/file_copy.h"
#include "core/sibling_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <new>
#include <unistd.h>

namespace mrfyc {

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kModeBits = 07777; // permissions with the setuid, setgid and sticky bits
constexpr int kOpenAttempts = 8;

[[noreturn]] void ThrowWriteError()
{
    throw EWriteError(std::string(kWriteErrorText));
}

[[noreturn]] void ThrowReadError()
{
    throw EReadError(std::string(kReadErrorText));
}

std::unique_ptr<char[]> AllocateBlock()
{
    try {
        return std::make_unique_for_overwrite<char[]>(SafeFileReplace::kBlockSize);
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText));
    }
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Undoes a reservation that failed part-way; if even that fails, the file keeps its contents
// and only gains zeros at the end.
void RestoreSize(const FileDescriptor &file, off_t size)
{
    struct stat status = {};
    if (::fstat(file.Get(), &status) == 0 && status.st_size != size)
        static_cast<void>(::ftruncate(file.Get(), size));
}

// Gives the file its new size before any byte moves, so that a full disk or a size limit fails
// while the contents are still untouched.
void Reserve(const FileDescriptor &file, off_t oldSize, off_t newSize)
{
    if (::fallocate(file.Get(), 0, 0, newSize) == 0)
        return;
    if (errno == EOPNOTSUPP) {
        const std::string zeros(static_cast<std::size_t>(newSize - oldSize), '\0');
        if (file.WriteAllAt(zeros.data(), zeros.size(), oldSize))
            return;
    }
    RestoreSize(file, oldSize);
    ThrowWriteError();
}

// A write by anyone but root clears the setuid and setgid bits. Only the owner may set them
// again, so the mode is only touched when it changed.
bool RestoreMode(const FileDescriptor &file, const struct stat &original)
{
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        return false;
    return (status.st_mode & kModeBits) == (original.st_mode & kModeBits) ||
           ::fchmod(file.Get(), original.st_mode & kModeBits) == 0;
}

} // namespace

void SafeFileReplace::Open()
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        // Look before opening: opening a FIFO can block and opening a device can have effects.
        struct stat named = {};
        if (::stat(m_path.c_str(), &named) != 0 || !S_ISREG(named.st_mode))
            ThrowOpenError();
        m_source =
            FileDescriptor(::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!m_source.IsValid() || ::fstat(m_source.Get(), &m_status) != 0 ||
            !S_ISREG(m_status.st_mode))
            ThrowOpenError();
        // Another patch of this log is running: like a file locked against reading, it cannot
        // be opened. Two patches at once would lose a header, or mix two rewrites in place.
        if (!m_source.LockExclusive(false))
            ThrowOpenError();
        // A patch that ended between the open and the lock has replaced the file; read the new.
        if (::stat(m_path.c_str(), &named) == 0 && SameFile(named, m_status))
            return;
    }
    ThrowOpenError();
}

void SafeFileReplace::Prepend(std::string_view prefix)
{
    if (!m_source.IsValid())
        Open();
    // No write bit at all means read-only for everyone; root's access() would say yes.
    if ((m_status.st_mode & kWriteBits) == 0)
        ThrowCreateError();
    // The new file goes beside the final target of any symlink chain, so the links stay links.
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(m_path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved)
        ThrowCreateError();
    const std::string target(resolved.get());
    const FileDescriptor file = OpenForWriting(target);
    if (ReplaceThroughNewFile(target, prefix) == Outcome::NeedsRewriteInPlace)
        RewriteInPlace(file, prefix);
}

FileDescriptor SafeFileReplace::OpenForWriting(const std::string &target) const
{
    // Opening for writing asks the system everything that forbids a write: permissions for
    // ordinary users, a read-only mount, an immutable file.
    FileDescriptor file(::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status = {};
    if (!file.IsValid() || ::fstat(file.Get(), &status) != 0 || !SameFile(status, m_status))
        ThrowCreateError();
    return file;
}

SafeFileReplace::Outcome SafeFileReplace::ReplaceThroughNewFile(const std::string &target,
                                                                std::string_view prefix)
{
    const std::string folderPath =
        ExtractFilePath(target, CodePage::Utf8, PathFlavour::Posix); // absolute: has a "/"
    const std::string name = target.substr(folderPath.size());
    const FileDescriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsValid())
        ThrowCreateError();

    SiblingFile::RemoveStale(folder.Get(), name);
    SiblingFile newFile(folder.Get(), name);
    switch (newFile.Create()) {
    case SiblingFile::Result::Created:
        break;
    case SiblingFile::Result::FolderNotWritable:
        return Outcome::NeedsRewriteInPlace;
    case SiblingFile::Result::Failed:
        ThrowCreateError();
    }
    const int fd = newFile.File().Get();
    // Someone who may write the file but does not own it cannot give a new file its owner;
    // rewriting in place keeps it.
    if (::fchown(fd, m_status.st_uid, m_status.st_gid) != 0) {
        if (errno == EPERM)
            return Outcome::NeedsRewriteInPlace;
        ThrowWriteError();
    }
    CopyWithPrefix(newFile.File(), prefix);
    // The mode comes after the writes: a write by anyone but root clears setuid and setgid.
    if (::fchmod(fd, m_status.st_mode & kModeBits) != 0 || ::fdatasync(fd) != 0 ||
        !newFile.CommitOver() || ::fsync(folder.Get()) != 0)
        ThrowWriteError();
    return Outcome::Replaced;
}

void SafeFileReplace::CopyWithPrefix(const FileDescriptor &to, std::string_view prefix) const
{
    if (!to.WriteAll(prefix.data(), prefix.size()))
        throw EWriteError(std::string(kWriteErrorText), errno);
    // The body goes where the prefix really ended: a write that claimed more than it stored then
    // leaves the file short, which the size check below sees.
    const off_t bodyStart = ::lseek(to.Get(), 0, SEEK_CUR);
    if (bodyStart < 0)
        ThrowWriteError();
    // The kernel copies at any offsets, so the body needs no buffer here however the prefix
    // shifts it.
    const off_t copied = FileCopy(m_source, to, bodyStart).ToEnd();
    if (copied < m_status.st_size)
        ThrowReadError();
    // The size the file system reports must be what was written: a write that claimed more
    // than it stored must not be committed.
    struct stat written = {};
    if (::fstat(to.Get(), &written) != 0 ||
        written.st_size != static_cast<off_t>(prefix.size()) + copied)
        ThrowWriteError();
}

void SafeFileReplace::RewriteInPlace(const FileDescriptor &file, std::string_view prefix) const
{
    // The size now, not at opening: bytes appended meanwhile must move too.
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        ThrowWriteError();
    const off_t oldSize = status.st_size;
    if (prefix.size() > static_cast<std::size_t>(std::numeric_limits<off_t>::max() - oldSize))
        ThrowWriteError();
    const auto shift = static_cast<off_t>(prefix.size());
    Reserve(file, oldSize, oldSize + shift);
    // From the end backwards, so that no block is overwritten before it has been moved.
    const std::unique_ptr<char[]> block = AllocateBlock();
    for (off_t end = oldSize; end > 0;) {
        const auto size = static_cast<std::size_t>(std::min<off_t>(end, kBlockSize));
        end -= static_cast<off_t>(size);
        if (!file.ReadExactlyAt(block.get(), size, end))
            ThrowReadError();
        if (!file.WriteAllAt(block.get(), size, end + shift))
            ThrowWriteError();
    }
    if (!file.WriteAllAt(prefix.data(), prefix.size(), 0) || !RestoreMode(file, m_status) ||
        ::fdatasync(file.Get()) != 0)
        ThrowWriteError();
}

void SafeFileReplace::ThrowCreateError() const
{
    throw EFCreateError(FileCreateErrorText(m_path));
}

void SafeFileReplace::ThrowOpenError() const
{
    throw EFOpenError(FileOpenErrorText(m_path));
}

} // namespace mrfyc
