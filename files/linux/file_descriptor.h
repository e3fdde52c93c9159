// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace mrfyc {

// An owned POSIX file descriptor. The read and write helpers retry on EINTR and on partial
// transfers, and report anything short of the whole request as a failure (errno set).
class FileDescriptor
{
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(other.Release()) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept;
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor();

    bool IsValid() const { return m_fd >= 0; }
    int Get() const { return m_fd; }
    int Release();
    // Closes and reports whether the close succeeded: some file systems report a failed write
    // only here.
    bool Close();

    bool WriteAll(const char *data, std::size_t size) const;
    bool WriteAllAt(const char *data, std::size_t size, off_t offset) const;
    // False on an error and on an end of file before size bytes (errno 0 then).
    bool ReadExactlyAt(char *data, std::size_t size, off_t offset) const;
    // An exclusive flock. True when locked, and also where the file system has no locks (going
    // on unlocked beats refusing every file there); false when another holder has it and wait
    // is false, or on an error.
    bool LockExclusive(bool wait) const;
    // The same, but waits at most timeout for another holder to let go; false after that, with
    // errno EWOULDBLOCK.
    bool LockExclusiveWithin(std::chrono::milliseconds timeout) const;
    // One read, retried on EINTR: the byte count, 0 at the end of the file, -1 on an error.
    ssize_t ReadSome(char *data, std::size_t size) const;
    ssize_t ReadSomeAt(char *data, std::size_t size, off_t offset) const;
    // One copy_file_range from offset `from` of this file to offset `at` of `to`, retried on
    // EINTR; both offsets advance by the count returned (0 at the end of the file, -1 on an
    // error). The descriptors' own file positions stay where they are.
    ssize_t CopySomeTo(const FileDescriptor &to, off_t &from, off_t &at, std::size_t size) const;
    // Whether name in folder means this very file now (a symlink of that name means itself).
    bool IsNamed(int folder, const std::string &name) const;

private:
    int m_fd = -1;
};

// With O_RDONLY or O_RDWR, for a name that was looked at first and may have changed since: no
// symlink followed, no wait on a FIFO's writer, no terminal taken as the controlling one.
inline constexpr int kOpenLookedAt = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// One file, whatever names led to it: the same inode on the same device.
bool SameFile(const struct stat &a, const struct stat &b);

} // namespace mrfyc
