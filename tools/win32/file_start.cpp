// SPDX-License-Identifier: MIT
#include "tools/file_start.h"

#include "files/win32/handle.h"
#include "files/win32/wide_text.h"
#include "rules/errors.h"

#include <optional>

namespace mrfyc {

std::string ReadFileStart(const std::string &path, std::size_t most)
{
    const auto fail = [&path](DWORD error) {
        throw EFOpenError(FileOpenErrorText(path), static_cast<int>(error));
    };
    const std::optional<std::wstring> wide = win32::ToWide(path);
    if (!wide || wide->empty())
        fail(ERROR_INVALID_NAME);
    // Every sharing mode: a look at the first bytes must not keep the chat or a patch out.
    const win32::Handle file(::CreateFileW(wide->c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        fail(::GetLastError());
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK)
        fail(ERROR_INVALID_FUNCTION);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(file.Get(), &info))
        fail(::GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        fail(ERROR_DIRECTORY);
    std::string bytes(most, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        std::size_t done = 0;
        if (!file.ReadSome(bytes.data() + filled, bytes.size() - filled, done))
            throw EReadError(std::string(kReadErrorText), static_cast<int>(::GetLastError()));
        if (done == 0)
            break;
        filled += done;
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace mrfyc
