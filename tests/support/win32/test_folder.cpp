// SPDX-License-Identifier: MIT
#include "tests/support/test_folder.h"

#include "tests/support/win32/win32_test_support.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace mrfyc::test {

namespace {

void RemoveTree(const std::wstring &folder)
{
    WIN32_FIND_DATAW found = {};
    const HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + name;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\");
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

} // namespace

TestFolder::TestFolder()
{
    static std::atomic<unsigned> counter{0};
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    std::wstring base = current;
    if (base.back() != L'\\')
        base += L'\\';
    for (;;) {
        const std::wstring path = base + L"t" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(++counter);
        if (::CreateDirectoryW(path.c_str(), nullptr)) {
            m_path = Utf8(path) + "\\";
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a test folder");
    }
}

TestFolder::~TestFolder()
{
    // The \\?\ form, so that folders deeper than 260 characters go too.
    RemoveTree(L"\\\\?\\" + Wide(m_path));
}

std::vector<std::string> TestFolder::Names() const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = ::FindFirstFileW((Wide(m_path) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(Utf8(name));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace mrfyc::test
