#include "tests/core/test_folder.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <ftw.h>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc::test {

namespace {

int RemoveEntry(const char *path, const struct stat *, int type, struct FTW *)
{
    if (type == FTW_DP)
        return ::rmdir(path);
    return ::unlink(path);
}

int MakeRemovable(const char *path, const struct stat *, int type, struct FTW *)
{
    if (type == FTW_D)
        ::chmod(path, 0700);
    return 0;
}

} // namespace

TestFolder::TestFolder()
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/mrfyc-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr || ::chmod(pattern.c_str(), 0755) != 0)
        throw std::runtime_error("cannot create a test folder");
    m_path = pattern + "/";
}

TestFolder::~TestFolder()
{
    ::nftw(m_path.c_str(), MakeRemovable, 16, FTW_PHYS);
    ::nftw(m_path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void WriteFile(const std::string &path, std::string_view contents, mode_t mode)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    file.close();
    if (!file || ::chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool Exists(const std::string &path)
{
    struct stat status = {};
    return ::lstat(path.c_str(), &status) == 0;
}

std::vector<std::string> ListFolder(const std::string &path)
{
    std::vector<std::string> names;
    DIR *folder = ::opendir(path.c_str());
    if (folder == nullptr)
        throw std::runtime_error("cannot list " + path);
    while (const dirent *entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
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
