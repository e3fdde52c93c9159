// SPDX-License-Identifier: MIT
#include "tests/support/linux/folder_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc::test {

namespace fs = std::filesystem;

PatcherFolder::PatcherFolder()
{
    const std::string bin = Path("bin");
    // Other users write "Temp.txt" here in some tests: past the umask.
    if (::mkdir(bin.c_str(), 0777) != 0 || ::chmod(bin.c_str(), 0777) != 0)
        throw std::runtime_error("cannot create " + bin);
    WriteFile(Patcher(), ReadFile(MRFYC_PATCH_EXE), 0755);
}

void WriteFile(const std::string &path, std::string_view contents, mode_t mode)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    file.close();
    if (!file || ::chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot write " + path);
}

// Non-blocking, so that a FIFO planted where a file was expected reads as empty instead of hanging.
std::string ReadFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw std::runtime_error("cannot read " + path + ": " + std::strerror(error));
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

std::uint64_t FileSize(const std::string &path)
{
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot stat " + path + ": " + std::strerror(errno));
    return static_cast<std::uint64_t>(status.st_size);
}

std::vector<std::string> ListFolder(const std::string &path)
{
    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(path))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string DescribeFolder(const std::string &path)
{
    std::string text;
    for (const std::string &name : ListFolder(path)) {
        struct stat status = {};
        if (::lstat((path + "/" + name).c_str(), &status) != 0)
            throw std::runtime_error("cannot describe " + name);
        text += name + " " + std::to_string(status.st_mode) + " " + std::to_string(status.st_uid) +
                ":" + std::to_string(status.st_gid) + "\n";
    }
    return text;
}

namespace {

std::uint64_t Digest(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::vector<char> buffer(1 << 20);
    std::uint64_t digest = 1469598103934665603ull; // FNV-1a
    for (ssize_t n = 0; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
        for (ssize_t i = 0; i < n; ++i)
            digest = (digest ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
    ::close(fd);
    return digest;
}

} // namespace

std::map<std::string, std::string> Snapshot(const std::string &dir)
{
    std::map<std::string, std::string> entries;
    for (const std::string &name : ListFolder(dir)) {
        const std::string path = dir + "/" + name;
        struct stat info = {};
        if (::lstat(path.c_str(), &info) != 0)
            throw std::runtime_error("cannot lstat " + path + ": " + std::strerror(errno));
        std::string text = std::to_string(info.st_mode) + " " + std::to_string(info.st_uid) + ":" +
                           std::to_string(info.st_gid) + " " + std::to_string(info.st_size) +
                           " ino " + std::to_string(info.st_ino);
        if (S_ISREG(info.st_mode))
            text += " digest " + std::to_string(Digest(path));
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
            text += " -> " + std::string(target, n > 0 ? static_cast<std::size_t>(n) : 0);
        }
        if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
            text += " device " + std::to_string(info.st_rdev);
        entries[name] = text;
    }
    return entries;
}

std::string PatternBytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

} // namespace mrfyc::test
