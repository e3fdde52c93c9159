// SPDX-License-Identifier: MIT
#include "tests/support/test_folder.h"

#include "tests/support/linux/folder_files.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc::test {

namespace fs = std::filesystem;

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
    // Folders a test made read-only must be opened up before anything in them can go.
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(m_path, error);
         it != fs::recursive_directory_iterator(); it.increment(error))
        if (it->is_directory(error) && !it->is_symlink(error))
            ::chmod(it->path().c_str(), 0700);
    fs::remove_all(m_path, error);
}

std::vector<std::string> TestFolder::Names() const
{
    return ListFolder(m_path);
}

} // namespace mrfyc::test
