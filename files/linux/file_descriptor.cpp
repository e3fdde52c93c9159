// SPDX-License-Identifier: MIT
#include "files/linux/file_descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace mrfyc {

namespace {

// Runs transfer(pointer, remaining, offset) until size bytes have gone; false on error or when
// the call moves nothing.
template <typename Byte, typename Transfer>
bool TransferAll(Byte *data, std::size_t size, off_t offset, Transfer transfer)
{
    while (size > 0) {
        const ssize_t done = transfer(data, size, offset);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (done == 0) {
            errno = 0;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
        offset += done;
    }
    return true;
}

} // namespace

FileDescriptor &FileDescriptor::operator=(FileDescriptor &&other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

FileDescriptor::~FileDescriptor()
{
    Close();
}

int FileDescriptor::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool FileDescriptor::Close()
{
    if (m_fd < 0)
        return true;
    // Linux releases the descriptor even when close fails, so it is never retried.
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    return closed;
}

bool FileDescriptor::WriteAll(const char *data, std::size_t size) const
{
    return TransferAll(
        data, size, 0, [this](const char *p, std::size_t n, off_t) { return ::write(m_fd, p, n); });
}

bool FileDescriptor::WriteAllAt(const char *data, std::size_t size, off_t offset) const
{
    return TransferAll(
        data, size, offset,
        [this](const char *p, std::size_t n, off_t at) { return ::pwrite(m_fd, p, n, at); });
}

bool FileDescriptor::ReadExactlyAt(char *data, std::size_t size, off_t offset) const
{
    return TransferAll(
        data, size, offset,
        [this](char *p, std::size_t n, off_t at) { return ::pread(m_fd, p, n, at); });
}

bool FileDescriptor::LockExclusive(bool wait) const
{
    for (;;) {
        if (::flock(m_fd, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0)
            return true;
        if (errno != EINTR)
            return errno == ENOLCK || errno == EOPNOTSUPP;
    }
}

bool FileDescriptor::LockExclusiveWithin(std::chrono::milliseconds timeout) const
{
    // flock has no timeout of its own; a lock held for a moment is taken at the next try.
    constexpr auto kRetry = std::chrono::milliseconds(10);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (LockExclusive(false))
            return true;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kRetry);
    }
}

ssize_t FileDescriptor::ReadSome(char *data, std::size_t size) const
{
    for (;;) {
        const ssize_t done = ::read(m_fd, data, size);
        if (done >= 0 || errno != EINTR)
            return done;
    }
}

ssize_t FileDescriptor::ReadSomeAt(char *data, std::size_t size, off_t offset) const
{
    for (;;) {
        const ssize_t done = ::pread(m_fd, data, size, offset);
        if (done >= 0 || errno != EINTR)
            return done;
    }
}

ssize_t FileDescriptor::CopySomeTo(const FileDescriptor &to, off_t &from, off_t &at,
                                   std::size_t size) const
{
    for (;;) {
        // The kernel moves both offsets by what it copied, also when it copied less than asked.
        const ssize_t done = ::copy_file_range(m_fd, &from, to.m_fd, &at, size, 0);
        if (done >= 0 || errno != EINTR)
            return done;
    }
}

bool FileDescriptor::IsNamed(int folder, const std::string &name) const
{
    struct stat named = {};
    struct stat status = {};
    return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstat(m_fd, &status) == 0 && SameFile(named, status);
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace mrfyc
