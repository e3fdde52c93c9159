// SPDX-License-Identifier: MIT
#include "tools/file_start.h"

#include "files/linux/file_descriptor.h"
#include "files/linux/file_errors.h"
#include "files/linux/path_walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace mrfyc {

namespace {

int NotARegularFileError(const struct stat &status)
{
    return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
}

// Only a plain file is opened: looked at first, since opening a FIFO can release its writer or
// block, and opening a device can have effects of its own (a new terminal, a rewound tape). The
// links on the way are followed only as the patch itself would follow them.
FileDescriptor OpenPlainFile(const std::string &path)
{
    WalkedPath walked;
    if (!WalkPath(path, walked))
        ThrowOpenError(path);
    struct stat named = {};
    if (::fstatat(walked.Folder.Get(), walked.Name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0)
        ThrowOpenError(path);
    if (!S_ISREG(named.st_mode))
        ThrowOpenError(path, NotARegularFileError(named));
    if (!walked.LinksMayLeadTo(named.st_uid))
        ThrowOpenError(path, EACCES);
    // Non-blocking and without following a link, in case the name changed since the look.
    FileDescriptor file(
        ::openat(walked.Folder.Get(), walked.Name.c_str(), O_RDONLY | kOpenLookedAt));
    struct stat status = {};
    if (!file.IsValid() || ::fstat(file.Get(), &status) != 0)
        ThrowOpenError(path);
    if (!S_ISREG(status.st_mode))
        ThrowOpenError(path, NotARegularFileError(status));
    if (!walked.LinksMayLeadTo(status.st_uid))
        ThrowOpenError(path, EACCES);
    return file;
}

} // namespace

std::string ReadFileStart(const std::string &path, std::size_t most)
{
    const FileDescriptor file = OpenPlainFile(path);
    std::string bytes(most, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t count = file.ReadSome(bytes.data() + filled, bytes.size() - filled);
        if (count < 0)
            ThrowReadError();
        if (count == 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace mrfyc
