// SPDX-License-Identifier: MIT
#include "files/scratch_file.h"

#include "files/linux/file_descriptor.h"
#include "files/linux/file_errors.h"
#include "files/linux/sibling_file.h"
#include "rules/scratch_lock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {

namespace {

constexpr int kTurnAttempts = 8;

// The scratch file is replaced by every patch, but patches still take turns on it, so that the
// one that finds it in use waits for the other to finish. The turn is the lock of the file the
// name means now; nothing is ever read from it or written to it. A file that only its owner may
// open (another user's) is simply replaced. Only a plain file is ever opened or replaced: a
// symlink, a FIFO, a device or a folder of that name is refused.
FileDescriptor TakeTurn(int folder, const std::string &name, const std::string &path)
{
    const auto deadline = std::chrono::steady_clock::now() + kScratchLockWait;
    for (int attempt = 0; attempt < kTurnAttempts; ++attempt) {
        struct stat named = {};
        if (::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                return {};
            ThrowCreateError(path);
        }
        if (!S_ISREG(named.st_mode))
            ThrowCreateError(path, S_ISLNK(named.st_mode)   ? ELOOP
                                   : S_ISDIR(named.st_mode) ? EISDIR
                                                            : 0);
        FileDescriptor turn(::openat(folder, name.c_str(), O_RDONLY | kOpenLookedAt));
        struct stat opened = {};
        if (!turn.IsValid()) {
            if (errno == EACCES)
                return {};
            if (errno == ENOENT || errno == ELOOP)
                continue; // replaced meanwhile
            ThrowCreateError(path);
        }
        if (::fstat(turn.Get(), &opened) != 0)
            ThrowCreateError(path);
        if (!SameFile(opened, named))
            continue;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!turn.LockExclusiveWithin(std::max(left, std::chrono::milliseconds(0))))
            ThrowCreateError(path);
        // The patch before has replaced the file by the time it lets go.
        if (turn.IsNamed(folder, name))
            return turn;
    }
    ThrowCreateError(path, EAGAIN);
}

} // namespace

struct ScratchFile::Impl
{
    FileDescriptor Folder;
    FileDescriptor Turn;
    FileDescriptor File;
    std::string Path;
};

ScratchFile::ScratchFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
ScratchFile::ScratchFile(ScratchFile &&other) noexcept = default;
ScratchFile &ScratchFile::operator=(ScratchFile &&other) noexcept = default;
ScratchFile::~ScratchFile() = default;

// A new file, its owner's alone, written and then put in the old one's place: whoever else may
// write the old file (or the name's next file, which only its owner can open) cannot reach the
// header, and a file someone else left there is no obstacle as long as the folder lets it go.
ScratchFile ScratchFile::Write(const std::string &path, std::string_view header)
{
    auto impl = std::make_unique<Impl>();
    impl->Path = path;
    const std::size_t slash = path.rfind('/');
    const std::string folderPath = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    impl->Folder = FileDescriptor(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!impl->Folder.IsValid())
        ThrowCreateError(path);
    impl->Turn = TakeTurn(impl->Folder.Get(), name, path);
    // Only a file system without unnamed files leaves a named one when a patch is killed.
    SiblingFile::RemoveStale(impl->Folder.Get(), name, ::geteuid());
    SiblingFile file(impl->Folder.Get(), name);
    if (file.Create() != SiblingFile::Result::Created)
        ThrowCreateError(path);
    if (!file.File().WriteAll(header.data(), header.size()))
        ThrowWriteError();
    if (!file.CommitByLink())
        ThrowCreateError(path);
    impl->File = file.TakeCommitted();
    return ScratchFile(std::move(impl));
}

std::string ScratchFile::ReadBack()
{
    const FileDescriptor &file = m_impl->File;
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        ThrowReadError();
    std::string contents;
    try {
        contents.resize(static_cast<std::size_t>(status.st_size));
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText), ENOMEM);
    } catch (const std::length_error &) {
        throw EStreamError(std::string(kStreamMemoryErrorText), ENOMEM);
    }
    if (!file.ReadExactlyAt(contents.data(), contents.size(), 0))
        ThrowReadError();
    return contents;
}

void ScratchFile::Close()
{
    m_impl->Turn.Close();
    if (!m_impl->File.Close())
        ThrowWriteError();
}

} // namespace mrfyc
