// SPDX-License-Identifier: MIT
#include "files/log_replacement.h"

#include "files/linux/file_copy.h"
#include "files/linux/file_descriptor.h"
#include "files/linux/file_errors.h"
#include "files/linux/in_place_rewrite.h"
#include "files/linux/path_walk.h"
#include "files/linux/rewrite_journal.h"
#include "files/linux/sibling_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mrfyc {

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

constexpr int kOpenAttempts = 8;

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

} // namespace

// The new contents are streamed into a new file in the log's own folder, synced, and renamed over
// the log; owner, mode and symlinks are kept. Only when that folder is not writable (or the owner
// could not be kept) is the log rewritten in place, journalled so that a failure is undone and a
// kill finished or undone by the next run. Once open, the log and its folder are reached only
// through their descriptors, so renaming folders on the way cannot redirect the writes.
struct LogReplacement::Impl
{
    enum class Outcome
    {
        Replaced,
        NeedsRewriteInPlace
    };

    explicit Impl(const std::string &path) : m_path(path) {}

    // Beyond a missing or unreadable file: EFOpenError for anything but a regular file (a FIFO or
    // a device is never opened for writing, nor replaced), and for one reached through a symlink
    // that belongs neither to this user nor to the file's owner.
    void Open();
    // Beyond the shared cases: EFCreateError when no write permission bit is set (also for
    // root), for an append-only or immutable file or folder, and for setuid or setgid bits a
    // rewrite in place could not keep; EFOpenError when the name meanwhile means another file.
    void Prepend(std::string_view prefix);

    bool OpenInFolder(WalkedPath &walked);
    void RefuseUnreplaceable() const;
    FileDescriptor OpenForWriting() const;
    Outcome ReplaceThroughNewFile(std::string_view prefix);
    void RewriteInPlace(const FileDescriptor &file, std::string_view prefix) const;
    void CopyWithPrefix(const FileDescriptor &to, std::string_view prefix) const;

    const std::string &m_path; // the LogReplacement's, which outlives this
    FileDescriptor m_folder;   // the folder that holds the file itself, symlinks followed
    std::string m_folderPath;  // the same folder's resolved path
    std::string m_name;        // the file's name in m_folder
    FileDescriptor m_source;
    struct stat m_status = {};
    std::string m_journalFolder;
};

LogReplacement::LogReplacement(std::string path)
    : m_path(std::move(path)), m_impl(std::make_unique<Impl>(m_path))
{}

LogReplacement::~LogReplacement() = default;

void LogReplacement::Open()
{
    m_impl->Open();
}

void LogReplacement::Prepend(std::string_view prefix)
{
    m_impl->Prepend(prefix);
}

void LogReplacement::SetJournalFolder(std::string folder)
{
    m_impl->m_journalFolder = std::move(folder);
}

void LogReplacement::Impl::Open()
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        WalkedPath walked;
        if (!WalkPath(m_path, walked))
            ThrowOpenError(m_path);
        if (!OpenInFolder(walked))
            continue;
        // A link in a folder others may write can lead anywhere; the link rule says whose links
        // may be followed.
        if (!walked.LinksMayLeadTo(m_status.st_uid))
            ThrowOpenError(m_path, EACCES);
        return;
    }
    ThrowOpenError(m_path, EAGAIN);
}

// Opens the file by name in the folder the walk ended in; true when the name still means the
// file once it is locked.
bool LogReplacement::Impl::OpenInFolder(WalkedPath &walked)
{
    m_folder = std::move(walked.Folder);
    m_name = walked.Name;
    // The journal of a rewrite in place names the folder by the path the kernel knows it by now.
    m_folderPath = ResolvedFolderPath(m_folder.Get());
    // Look before opening: opening a FIFO can block and opening a device can have effects.
    struct stat named = {};
    if (::fstatat(m_folder.Get(), m_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0)
        ThrowOpenError(m_path);
    if (!S_ISREG(named.st_mode))
        ThrowOpenError(m_path, S_ISLNK(named.st_mode) ? EAGAIN : 0);
    m_source = FileDescriptor(::openat(m_folder.Get(), m_name.c_str(), O_RDONLY | kOpenLookedAt));
    if (!m_source.IsValid() || ::fstat(m_source.Get(), &m_status) != 0)
        ThrowOpenError(m_path);
    if (!S_ISREG(m_status.st_mode))
        ThrowOpenError(m_path, 0);
    // Another patch of this log is running: like a file locked against reading, it cannot
    // be opened. Two patches at once would lose a header, or mix two rewrites in place.
    if (!m_source.LockExclusive(false))
        ThrowOpenError(m_path);
    // A patch that ended between the open and the lock has replaced the file; read the new.
    return m_source.IsNamed(m_folder.Get(), m_name);
}

void LogReplacement::Impl::Prepend(std::string_view prefix)
{
    if (!m_source.IsValid())
        Open();
    // No write bit at all means read-only for everyone; root's access() would say yes.
    if ((m_status.st_mode & kWriteBits) == 0)
        ThrowCreateError(m_path, EACCES);
    RefuseUnreplaceable();
    const FileDescriptor file = OpenForWriting();
    if (ReplaceThroughNewFile(prefix) == Outcome::NeedsRewriteInPlace)
        RewriteInPlace(file, prefix);
}

// An append-only or immutable folder lets a new file be made but never renamed over the log nor
// removed again, so each attempt would leave a copy behind; such a file could not be rewritten.
void LogReplacement::Impl::RefuseUnreplaceable() const
{
    for (const int fd : {m_folder.Get(), m_source.Get()}) {
        int flags = 0;
        // File systems without these flags answer ENOTTY or the like: nothing to refuse there.
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
            (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0)
            ThrowCreateError(m_path, EPERM);
    }
}

FileDescriptor LogReplacement::Impl::OpenForWriting() const
{
    // Opening for writing asks the system everything that forbids a write: permissions for
    // ordinary users, a read-only mount, an immutable file.
    FileDescriptor file(::openat(m_folder.Get(), m_name.c_str(), O_RDWR | kOpenLookedAt));
    if (!file.IsValid())
        ThrowCreateError(m_path);
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        ThrowCreateError(m_path);
    if (!SameFile(status, m_status))
        ThrowOpenError(m_path, 0);
    return file;
}

LogReplacement::Impl::Outcome LogReplacement::Impl::ReplaceThroughNewFile(std::string_view prefix)
{
    SiblingFile::RemoveStale(m_folder.Get(), m_name, m_status.st_uid);
    SiblingFile newFile(m_folder.Get(), m_name);
    switch (newFile.Create()) {
    case SiblingFile::Result::Created:
        break;
    case SiblingFile::Result::FolderNotWritable:
        return Outcome::NeedsRewriteInPlace;
    case SiblingFile::Result::Failed:
        ThrowCreateError(m_path);
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
    if (!m_source.IsNamed(m_folder.Get(), m_name))
        ThrowOpenError(m_path, 0);
    if (!newFile.CommitOver() || ::fsync(m_folder.Get()) != 0)
        ThrowWriteError();
    return Outcome::Replaced;
}

void LogReplacement::Impl::CopyWithPrefix(const FileDescriptor &to, std::string_view prefix) const
{
    if (!to.WriteAll(prefix.data(), prefix.size()))
        ThrowWriteError();
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

void LogReplacement::Impl::RewriteInPlace(const FileDescriptor &file, std::string_view prefix) const
{
    // Decided before any byte moves: a rewrite that could not end with the old mode is refused.
    if (!ModeSurvivesRewrite(m_status))
        ThrowCreateError(m_path, EPERM);
    // The size now only sizes the blocks: the rewrite takes the old contents' end once the room
    // is claimed, so that bytes appended meanwhile move too.
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        ThrowWriteError();
    if (prefix.size() >
        static_cast<std::size_t>(std::numeric_limits<off_t>::max() - status.st_size))
        ThrowWriteError(EFBIG);
    RewritePlan plan;
    plan.Inode = m_status.st_ino;
    plan.SizeSeen = status.st_size;
    plan.Mode = m_status.st_mode & kModeBits;
    plan.BlockSize = static_cast<std::size_t>(std::clamp<off_t>(status.st_size, 1, kBlockSize));
    plan.Prefix = std::string(prefix);
    plan.FileSystem = FileSystemUuid(file.Get());
    plan.Folder = m_folderPath;
    plan.Name = m_name;
    // Without its journal a kill could leave the log half-moved: then nothing moves at all.
    RewriteJournal journal;
    if (m_journalFolder.empty() || m_folderPath.empty())
        ThrowCreateError(m_path, 0);
    if (!journal.Create(m_journalFolder, plan))
        ThrowCreateError(m_path);
    InPlaceRewrite(file, journal).Run();
}

} // namespace mrfyc
