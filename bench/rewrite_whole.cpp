// SPDX-License-Identifier: MIT
// The patch as a plain rewrite: the header through "Temp.txt", the whole log read into memory,
// header + log built in a second buffer, the log truncated and written in one go. It is the
// yardstick for mrfyc-patch; it adds only an fdatasync, so that both reach the disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char *kHeader =
    "layer_count=2\r\nlayer_max=2\r\nlayer_last=2\r\nimage_width=900\r\n"
    "image_height=1200\r\ncount_lines=6000\r\nquality=1\r\n";

bool ReadAll(int fd, char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size); // one call moves at most 2 GiB - 4 KiB
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<char> ReadWhole(const char *path)
{
    const int fd = ::open(path, O_RDONLY);
    struct stat info
    {
    };
    if (fd < 0 || ::fstat(fd, &info) != 0)
        std::exit(1);
    std::vector<char> data(static_cast<std::size_t>(info.st_size));
    if (!ReadAll(fd, data.data(), data.size()))
        std::exit(1);
    ::close(fd);
    return data;
}

void WriteWhole(const char *path, const std::vector<char> &data, bool sync)
{
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || !WriteAll(fd, data.data(), data.size()) || (sync && ::fdatasync(fd) != 0) ||
        ::close(fd) != 0)
        std::exit(1);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SCRATCH_FILE LOG\n", argv[0]);
        return 2;
    }
    const std::string header = kHeader;
    WriteWhole(argv[1], std::vector<char>(header.begin(), header.end()), false);
    const std::vector<char> scratch = ReadWhole(argv[1]);
    const std::vector<char> log = ReadWhole(argv[2]);
    std::vector<char> joined;
    joined.reserve(scratch.size() + log.size());
    joined.insert(joined.end(), scratch.begin(), scratch.end());
    joined.insert(joined.end(), log.begin(), log.end());
    WriteWhole(argv[2], joined, true);
    return 0;
}
