// SPDX-License-Identifier: MIT
#include "tools/header_check.h"

#include "files/posix/file_descriptor.h"
#include "rules/errors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace mrfyc {

namespace {

constexpr std::array<std::string_view, 7> kHeaderKeys{
    "layer_count=",  "layer_max=",   "layer_last=", "image_width=",
    "image_height=", "count_lines=", "quality="};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Consumes one "key=value\r\n" line from the front of bytes.
bool TakeLine(std::string_view &bytes, std::string_view key)
{
    if (!bytes.starts_with(key))
        return false;
    std::size_t at = key.size();
    if (at < bytes.size() && bytes[at] == '-')
        ++at;
    const std::size_t digitsStart = at;
    while (at < bytes.size() && IsDigit(bytes[at]))
        ++at;
    const std::size_t digits = at - digitsStart;
    if (digits == 0 || digits > 10 || bytes.substr(at, 2) != "\r\n")
        return false;
    bytes.remove_prefix(at + 2);
    return true;
}

} // namespace

bool BeginsWithHeader(std::string_view bytes)
{
    for (const std::string_view key : kHeaderKeys)
        if (!TakeLine(bytes, key))
            return false;
    return true;
}

bool FileBeginsWithHeader(const std::string &path)
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
    std::array<char, kLongestHeader> buffer{};
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t count = file.ReadSome(buffer.data() + filled, buffer.size() - filled);
        if (count < 0)
            throw EReadError(std::string(kReadErrorText), errno);
        if (count == 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    return BeginsWithHeader(std::string_view(buffer.data(), filled));
}

} // namespace mrfyc
