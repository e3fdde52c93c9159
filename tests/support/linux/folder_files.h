// SPDX-License-Identifier: MIT
#pragma once

#include "tests/support/test_folder.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace mrfyc::test {

// A test folder with its own copy of mrfyc-patch in bin/ (a folder anyone may write), so that
// each test has its own "Temp.txt" beside the program and other users can run it.
class PatcherFolder : public TestFolder
{
public:
    PatcherFolder();

    std::string Patcher() const { return Path("bin/mrfyc-patch"); }
    std::string Scratch() const { return Path("bin/Temp.txt"); }
};

void WriteFile(const std::string &path, std::string_view contents, mode_t mode = 0644);
std::string ReadFile(const std::string &path);
std::uint64_t FileSize(const std::string &path);
// Names in a folder, "." and ".." left out, sorted.
std::vector<std::string> ListFolder(const std::string &path);
// Name, type, mode and owner of each entry of a folder, links not followed, one a line.
std::string DescribeFolder(const std::string &path);
// Type, mode, owner, size, inode and contents digest or link target of every entry, by name: any
// change to the folder shows.
std::map<std::string, std::string> Snapshot(const std::string &dir);
// Deterministic bytes of every value, CR LF and NUL among them.
std::string PatternBytes(std::size_t size, unsigned seed = 1);

} // namespace mrfyc::test
