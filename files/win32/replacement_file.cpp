// SPDX-License-Identifier: MIT
#include "files/win32/replacement_file.h"

#include <cwchar>

namespace mrfyc::win32 {

namespace {

constexpr int kNameAttempts = 16;
// Keeps ".NAME.mrfyc-XXXXXXXX" within the 255 characters a name may have.
constexpr std::size_t kLongestKeptName = 230;

unsigned NameNumber(int attempt)
{
    static unsigned counter = 0;
    const auto time = static_cast<unsigned>(::GetTickCount64());
    return (::GetCurrentProcessId() * 2654435761u) ^ (time * 40503u) ^ (++counter << 20) ^
           static_cast<unsigned>(attempt);
}

} // namespace

ReplacementFile::~ReplacementFile()
{
    if (m_placed || m_path.empty())
        return;
    if (m_file.IsValid()) {
        // Still marked for deletion: closing removes it. If the mark was lost, remove by name.
        const bool marked = MarkForDeletion(true);
        m_file.Close();
        if (marked)
            return;
    }
    // A failed replace may have moved the target away already: then this file holds the only
    // copy of its contents and must stay.
    if (::GetFileAttributesW(m_target.c_str()) != INVALID_FILE_ATTRIBUTES)
        ::DeleteFileW(m_path.c_str());
}

std::wstring ReplacementFile::NameFor(const std::wstring &targetPath, unsigned number)
{
    const std::size_t cut = targetPath.find_last_of(L"\\/:");
    const std::size_t nameStart = cut == std::wstring::npos ? 0 : cut + 1;
    const std::wstring name = targetPath.substr(nameStart, kLongestKeptName);
    wchar_t suffix[16] = {};
    std::swprintf(suffix, 16, L"%08x", number);
    return targetPath.substr(0, nameStart) + L"." + name + L".mrfyc-" + suffix;
}

bool ReplacementFile::Create()
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::wstring path = NameFor(m_target, NameNumber(attempt));
        Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file.IsValid()) {
            if (::GetLastError() == ERROR_FILE_EXISTS)
                continue;
            return false;
        }
        m_path = std::move(path);
        m_file = std::move(file);
        if (MarkForDeletion(true))
            return true;
        const DWORD error = ::GetLastError();
        m_file.Close();
        ::DeleteFileW(m_path.c_str());
        m_path.clear();
        ::SetLastError(error);
        return false;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return false;
}

bool ReplacementFile::MarkForDeletion(bool remove)
{
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return ::SetFileInformationByHandle(m_file.Get(), FileDispositionInfo, &disposition,
                                        sizeof disposition) != 0;
}

bool ReplacementFile::Finish()
{
    if (!::FlushFileBuffers(m_file.Get()) || !MarkForDeletion(false))
        return false;
    if (!m_file.Close()) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(m_path.c_str());
        m_path.clear();
        ::SetLastError(error);
        return false;
    }
    return true;
}

bool ReplacementFile::PutInPlace()
{
    // ReplaceFileW keeps the target's attributes, security and creation time. Some volumes
    // refuse it; a plain rename that reaches the disk before returning does the same job.
    m_placed = ::ReplaceFileW(m_target.c_str(), m_path.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                              nullptr, nullptr) != 0 ||
               ::MoveFileExW(m_path.c_str(), m_target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    return m_placed;
}

} // namespace mrfyc::win32
