// SPDX-License-Identifier: MIT
#include "tools/file_start.h"

#include "files/posix/file_descriptor.h"
#include "rules/errors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace mrfyc {

std::string ReadFileStart(const std::string &path, std::size_t most)
{
    // Non-blocking, so that a FIFO without a writer cannot hold the check.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0)
        throw EFOpenError(FileOpenErrorText(path), errno);
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        throw EFOpenError(FileOpenErrorText(path), errno);
    if (!S_ISREG(status.st_mode))
        throw EFOpenError(FileOpenErrorText(path), S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
    std::string bytes(most, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t count = file.ReadSome(bytes.data() + filled, bytes.size() - filled);
        if (count < 0)
            throw EReadError(std::string(kReadErrorText), errno);
        if (count == 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace mrfyc
