// SPDX-License-Identifier: MIT
#include "tests/support/large_log.h"

#include "tests/support/expected_texts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace mrfyc::test {

namespace {

constexpr std::size_t kBlock = 1 << 20;

[[noreturn]] void Fail(const std::string &what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::uint64_t Mix(std::uint64_t x)
{
    // splitmix64: cheap, and no two nearby offsets share a word.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Pattern bytes [offset, offset + size) into out; offset is a multiple of 8.
void FillPattern(std::uint64_t offset, std::size_t size, std::uint64_t seed, char *out)
{
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t word = Mix(seed ^ ((offset + i) / 8)) | 0x0101010101010101ull;
        std::memcpy(out + i, &word, std::min<std::size_t>(8, size - i));
    }
}

} // namespace

void WritePattern(const std::string &path, std::uint64_t size, std::uint64_t seed)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail("create " + path);
    std::vector<char> block(kBlock);
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - done));
        FillPattern(done, n, seed, block.data());
        if (::write(fd, block.data(), n) != static_cast<ssize_t>(n))
            Fail("write " + path);
        done += n;
    }
    ::close(fd);
}

int CountHeadersBeforePattern(const std::string &path, std::uint64_t size, std::uint64_t seed,
                              int maxHeaders)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    const std::string header = ExpectedHeader();
    const auto total = static_cast<std::uint64_t>(info.st_size);
    if (total < size || (total - size) % header.size() != 0)
        return -1;
    const auto headers = static_cast<int>((total - size) / header.size());
    if (headers > maxHeaders)
        return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::string prefix(total - size, '\0');
    bool same = ::pread(fd, prefix.data(), prefix.size(), 0) == static_cast<ssize_t>(prefix.size());
    for (int i = 0; same && i < headers; ++i)
        same = prefix.compare(i * header.size(), header.size(), header) == 0;
    std::vector<char> expected(kBlock), actual(kBlock);
    for (std::uint64_t done = 0; same && done < size;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - done));
        FillPattern(done, n, seed, expected.data());
        same = ::pread(fd, actual.data(), n, static_cast<off_t>(prefix.size() + done)) ==
                   static_cast<ssize_t>(n) &&
               std::memcmp(expected.data(), actual.data(), n) == 0;
        done += n;
    }
    ::close(fd);
    return same ? headers : -1;
}

bool HoldsHeadersAndPattern(const std::string &path, int headers, std::uint64_t size,
                            std::uint64_t seed)
{
    return CountHeadersBeforePattern(path, size, seed, headers) == headers;
}

} // namespace mrfyc::test
