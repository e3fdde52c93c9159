// SPDX-License-Identifier: MIT
#include "files/win32/module_directory.h"

#include "files/win32/wide_text.h"
#include "rules/code_page.h"

namespace mrfyc::win32 {

namespace {

// Long paths exist (\\?\ prefixes, long-path aware systems); the buffer grows until the name
// fits instead of stopping at MAX_PATH.
constexpr DWORD kLongestPath = 32768;

} // namespace

std::string ModuleDirectory(HMODULE module)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= kLongestPath)
            return {};
        path.resize(path.size() * 2);
    }
    return ExtractFilePath(ToUtf8(path), CodePage::Utf8, PathFlavour::Windows);
}

} // namespace mrfyc::win32
