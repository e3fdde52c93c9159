// SPDX-License-Identifier: MIT
#include "files/posix/safe_file_replace.h"

#include "files/posix/file_copy.h"
#include "files/posix/path_walk.h"
#include "files/posix/sibling_file.h"
#include "rules/code_page.h"
#include "rules/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <linux/fs.h>
#include <memory>
#include <new>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace mrfyc {

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kModeBits = 07777; // permissions with the setuid, setgid and sticky bits
constexpr int kOpenAttempts = 8;

// The error number defaults to the last failed call's.
[[noreturn]] void ThrowWriteError(int systemError = errno)
{
    throw EWriteError(std::string(kWriteErrorText), systemError);
}

[[noreturn]] void ThrowReadError(int systemError = errno)
{
    throw EReadError(std::string(kReadErrorText), systemError);
}

std::unique_ptr<char[]> AllocateBlock()
{
    try {
        return std::make_unique_for_overwrite<char[]>(SafeFileReplace::kBlockSize);
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText), ENOMEM);
    }
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Undoes a reservation that failed part-way; if even that fails, the file keeps its contents
// and only gains zeros at the end.
bool RestoreSize(const FileDescriptor &file, off_t size)
{
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        return false;
    return status.st_size == size || ::ftruncate(file.Get(), size) == 0;
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
    const int error = errno;
    RestoreSize(file, oldSize);
    ThrowWriteError(error);
}

bool InGroup(gid_t group)
{
    if (::getegid() == group)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, group) != groups.end();
}

// A write by anyone but root clears the setuid and setgid bits; only the owner may set them
// again, and the setgid bit only while in the file's group (else chmod drops it silently).
bool ModeSurvivesRewrite(const struct stat &status)
{
    if ((status.st_mode & (S_ISUID | S_ISGID)) == 0 || ::geteuid() == 0)
        return true;
    return ::geteuid() == status.st_uid &&
           ((status.st_mode & S_ISGID) == 0 || InGroup(status.st_gid));
}

bool RestoreMode(const FileDescriptor &file, const struct stat &original)
{
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        return false;
    return (status.st_mode & kModeBits) == (original.st_mode & kModeBits) ||
           ::fchmod(file.Get(), original.st_mode & kModeBits) == 0;
}

// The old contents [0, size) being moved to [shift, size + shift), from the end backwards so
// that no block is overwritten before it has been moved. Every failure is undone while it can
// be: the part moved so far still has its copy further on, so it is moved back and the file cut
// to its old size. Only a failure of that undo itself (or a kill) leaves the file changed.
class ShiftInPlace
{
public:
    ShiftInPlace(const FileDescriptor &file, const struct stat &original, off_t size, off_t shift)
        : m_file(file), m_original(original), m_size(size), m_shift(shift), m_block(AllocateBlock())
    {}

    void MoveContents()
    {
        while (m_moved > 0) {
            const auto size = static_cast<std::size_t>(std::min<off_t>(m_moved, kBlock));
            const off_t start = m_moved - static_cast<off_t>(size);
            if (!m_file.ReadExactlyAt(m_block.get(), size, start))
                Fail<EReadError>(kReadErrorText);
            if (!m_file.WriteAllAt(m_block.get(), size, start + m_shift)) {
                const int error = errno;
                // The block's own old place may have been overwritten too; it is still in memory.
                if (m_file.WriteAllAt(m_block.get(), size, start))
                    Fail<EWriteError>(kWriteErrorText, error);
                throw EWriteError(std::string(kWriteErrorText), error);
            }
            m_moved = start;
        }
    }

    // Puts the old contents back, then throws.
    template <typename Kind> [[noreturn]] void Fail(std::string_view text, int error = errno)
    {
        if (Undo()) {
            static_cast<void>(RestoreMode(m_file, m_original));
            static_cast<void>(::fdatasync(m_file.Get()));
        }
        throw Kind(std::string(text), error);
    }

private:
    bool Undo()
    {
        // Front to back: each block's copy lies beyond anything written before it.
        for (off_t at = m_moved; at < m_size;) {
            const auto size = static_cast<std::size_t>(std::min<off_t>(m_size - at, kBlock));
            if (!m_file.ReadExactlyAt(m_block.get(), size, at + m_shift) ||
                !m_file.WriteAllAt(m_block.get(), size, at))
                return false;
            at += static_cast<off_t>(size);
        }
        return ::ftruncate(m_file.Get(), m_size) == 0;
    }

    static constexpr off_t kBlock = static_cast<off_t>(SafeFileReplace::kBlockSize);
    const FileDescriptor &m_file;
    const struct stat &m_original;
    off_t m_size;
    off_t m_shift;
    off_t m_moved = m_size; // [m_moved, m_size) also has its copy at + m_shift
    std::unique_ptr<char[]> m_block;
};

} // namespace

void SafeFileReplace::Open()
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        WalkedPath walked;
        if (!WalkPath(m_path, walked))
            ThrowOpenError(errno);
        if (!OpenInFolder(walked))
            continue;
        // A link in a folder others may write can lead anywhere; the link rule says whose links
        // may be followed.
        if (!walked.LinksMayLeadTo(m_status.st_uid))
            ThrowOpenError(EACCES);
        return;
    }
    ThrowOpenError(EAGAIN);
}

// Opens the file by name in the folder the walk ended in; true when the name still means the
// file once it is locked.
bool SafeFileReplace::OpenInFolder(WalkedPath &walked)
{
    m_folder = std::move(walked.Folder);
    m_name = walked.Name;
    // Look before opening: opening a FIFO can block and opening a device can have effects.
    struct stat named = {};
    if (::fstatat(m_folder.Get(), m_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0)
        ThrowOpenError(errno);
    if (!S_ISREG(named.st_mode))
        ThrowOpenError(S_ISLNK(named.st_mode) ? EAGAIN : 0);
    m_source = FileDescriptor(::openat(m_folder.Get(), m_name.c_str(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!m_source.IsValid() || ::fstat(m_source.Get(), &m_status) != 0)
        ThrowOpenError(errno);
    if (!S_ISREG(m_status.st_mode))
        ThrowOpenError(0);
    // Another patch of this log is running: like a file locked against reading, it cannot
    // be opened. Two patches at once would lose a header, or mix two rewrites in place.
    if (!m_source.LockExclusive(false))
        ThrowOpenError(errno);
    // A patch that ended between the open and the lock has replaced the file; read the new.
    return StillNamed();
}

bool SafeFileReplace::StillNamed() const
{
    struct stat named = {};
    return ::fstatat(m_folder.Get(), m_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           SameFile(named, m_status);
}

void SafeFileReplace::Prepend(std::string_view prefix)
{
    if (!m_source.IsValid())
        Open();
    // No write bit at all means read-only for everyone; root's access() would say yes.
    if ((m_status.st_mode & kWriteBits) == 0)
        ThrowCreateError(EACCES);
    RefuseUnreplaceable();
    const FileDescriptor file = OpenForWriting();
    if (ReplaceThroughNewFile(prefix) == Outcome::NeedsRewriteInPlace)
        RewriteInPlace(file, prefix);
}

// An append-only or immutable folder lets a new file be made but never renamed over the log nor
// removed again, so each attempt would leave a copy behind; such a file could not be rewritten.
void SafeFileReplace::RefuseUnreplaceable() const
{
    for (const int fd : {m_folder.Get(), m_source.Get()}) {
        int flags = 0;
        // File systems without these flags answer ENOTTY or the like: nothing to refuse there.
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
            (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0)
            ThrowCreateError(EPERM);
    }
}

FileDescriptor SafeFileReplace::OpenForWriting() const
{
    // Opening for writing asks the system everything that forbids a write: permissions for
    // ordinary users, a read-only mount, an immutable file.
    FileDescriptor file(::openat(m_folder.Get(), m_name.c_str(),
                                 O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.IsValid())
        ThrowCreateError(errno);
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        ThrowCreateError(errno);
    if (!SameFile(status, m_status))
        ThrowOpenError(0);
    return file;
}

SafeFileReplace::Outcome SafeFileReplace::ReplaceThroughNewFile(std::string_view prefix)
{
    SiblingFile::RemoveStale(m_folder.Get(), m_name, m_status.st_uid);
    SiblingFile newFile(m_folder.Get(), m_name);
    switch (newFile.Create()) {
    case SiblingFile::Result::Created:
        break;
    case SiblingFile::Result::FolderNotWritable:
        return Outcome::NeedsRewriteInPlace;
    case SiblingFile::Result::Failed:
        ThrowCreateError(errno);
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
    if (::fchmod(fd, m_status.st_mode & kModeBits) != 0 || ::fdatasync(fd) != 0)
        ThrowWriteError();
    // Another program may have saved a newer version under the name meanwhile; it must not be
    // replaced by this copy of the old one.
    if (!StillNamed())
        ThrowOpenError(0);
    if (!newFile.CommitOver() || ::fsync(m_folder.Get()) != 0)
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
        ThrowReadError(0);
    // The size the file system reports must be what was written: a write that claimed more
    // than it stored must not be committed.
    struct stat written = {};
    if (::fstat(to.Get(), &written) != 0 ||
        written.st_size != static_cast<off_t>(prefix.size()) + copied)
        ThrowWriteError();
}

void SafeFileReplace::RewriteInPlace(const FileDescriptor &file, std::string_view prefix) const
{
    // Decided before any byte moves: a rewrite that could not end with the old mode is refused.
    if (!ModeSurvivesRewrite(m_status))
        ThrowCreateError(EPERM);
    // The size now, not at opening: bytes appended meanwhile must move too.
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        ThrowWriteError();
    const off_t oldSize = status.st_size;
    if (prefix.size() > static_cast<std::size_t>(std::numeric_limits<off_t>::max() - oldSize))
        ThrowWriteError(EFBIG);
    const auto shift = static_cast<off_t>(prefix.size());
    ShiftInPlace shifter(file, m_status, oldSize, shift);
    Reserve(file, oldSize, oldSize + shift);
    shifter.MoveContents();
    if (!file.WriteAllAt(prefix.data(), prefix.size(), 0) || !RestoreMode(file, m_status) ||
        ::fdatasync(file.Get()) != 0)
        shifter.Fail<EWriteError>(kWriteErrorText);
}

void SafeFileReplace::ThrowCreateError(int systemError) const
{
    throw EFCreateError(FileCreateErrorText(m_path), systemError);
}

void SafeFileReplace::ThrowOpenError(int systemError) const
{
    throw EFOpenError(FileOpenErrorText(m_path), systemError);
}

} // namespace mrfyc
