// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mrfyc::test {

// A fresh folder for one test, removed with everything in it at the end, whatever modes or
// attributes the test gave its contents. On Linux it lies under TMPDIR (or /tmp) and every user
// may reach it, so that a test can hand parts of it to nobody; on Windows it lies under the
// working folder, which the test's registration points at a scratch folder of the build.
class TestFolder
{
public:
    TestFolder();
    TestFolder(const TestFolder &) = delete;
    TestFolder &operator=(const TestFolder &) = delete;
    ~TestFolder();

    // The folder's path (UTF-8) with a trailing separator, followed by name.
    std::string Path(std::string_view name = {}) const { return m_path + std::string(name); }
    // The names the folder holds, sorted; "." and ".." left out.
    std::vector<std::string> Names() const;

private:
    std::string m_path;
};

} // namespace mrfyc::test
