// SPDX-License-Identifier: MIT
#include "files/win32/replacement_file.h"

#include <cwchar>

namespace mrfyc::win32 {

namespace {

constexpr int kNameAttempts = 16;
// Keeps ".NAME.mrfyc-XXXXXXXX" within the 255 characters a name may have.
constexpr std::size_t kLongestKeptName = 230;
constexpr std::size_t kNumberDigits = 8;
// Attributes of the log that its replacement takes over; read-only logs are refused before.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

unsigned NameNumber(int attempt)
{
    static unsigned counter = 0;
    const auto time = static_cast<unsigned>(::GetTickCount64());
    return (::GetCurrentProcessId() * 2654435761u) ^ (time * 40503u) ^ (++counter << 20) ^
           static_cast<unsigned>(attempt);
}

std::size_t NameStart(const std::wstring &path)
{
    const std::size_t cut = path.find_last_of(L"\\/:");
    return cut == std::wstring::npos ? 0 : cut + 1;
}

// NameFor's names without their number: ".NAME.mrfyc-".
std::wstring NamePrefix(const std::wstring &targetPath)
{
    return L"." + targetPath.substr(NameStart(targetPath), kLongestKeptName) + L".mrfyc-";
}

bool IsLeftover(const WIN32_FIND_DATAW &found, const std::wstring &namePrefix)
{
    const std::wstring name = found.cFileName;
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT) ||
        name.size() != namePrefix.size() + kNumberDigits)
        return false;
    // The folder's own case rules decide whether the name part matches; the number is ours.
    const int prefixLength = static_cast<int>(namePrefix.size());
    if (::CompareStringOrdinal(name.c_str(), prefixLength, namePrefix.c_str(), prefixLength,
                               TRUE) != CSTR_EQUAL)
        return false;
    return name.find_first_not_of(L"0123456789abcdef", namePrefix.size()) == std::wstring::npos;
}

} // namespace

ReplacementFile::~ReplacementFile()
{
    if (m_placed || !m_file.IsValid())
        return;
    // Closing removes it while it is marked for deletion; if the mark was lost, remove by name.
    const bool marked = MarkForDeletion(true);
    m_file.Close();
    if (!marked)
        ::DeleteFileW(m_path.c_str());
}

std::wstring ReplacementFile::NameFor(const std::wstring &targetPath, unsigned number)
{
    wchar_t suffix[16] = {};
    std::swprintf(suffix, 16, L"%08x", number);
    return targetPath.substr(0, NameStart(targetPath)) + NamePrefix(targetPath) + suffix;
}

void ReplacementFile::RemoveLeftovers(const std::wstring &targetPath)
{
    const std::wstring folder = targetPath.substr(0, NameStart(targetPath));
    const std::wstring namePrefix = NamePrefix(targetPath);
    WIN32_FIND_DATAW found = {};
    const HANDLE search = ::FindFirstFileExW((folder + namePrefix + L"*").c_str(), FindExInfoBasic,
                                             &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!IsLeftover(found, namePrefix))
            continue;
        // Opening without sharing fails while anyone has the file open, the patch that is
        // writing it included; a file opened this way goes when it is closed.
        Handle leftover(
            ::CreateFileW((folder + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

bool ReplacementFile::Create()
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::wstring path = NameFor(m_target, NameNumber(attempt));
        // Shared for deletion only, which the rename needs; any other open, such as
        // RemoveLeftovers()'s, is refused while this patch holds it.
        Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
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

bool ReplacementFile::Finish(const BY_HANDLE_FILE_INFORMATION &like)
{
    // What ReplaceFileW would carry over and a rename does not. Written now, the file is due for
    // backup whatever the old one said. Times of zero are left as they are.
    FILE_BASIC_INFO basic = {};
    basic.CreationTime.LowPart = like.ftCreationTime.dwLowDateTime;
    basic.CreationTime.HighPart = static_cast<LONG>(like.ftCreationTime.dwHighDateTime);
    basic.FileAttributes = (like.dwFileAttributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
    return ::SetFileInformationByHandle(m_file.Get(), FileBasicInfo, &basic, sizeof basic) &&
           ::FlushFileBuffers(m_file.Get());
}

bool ReplacementFile::PutInPlace()
{
    // A rename over the target replaces it in one step on NTFS (and in Wine, one rename(2)).
    // ReplaceFileW is no such step: it moves the target aside first.
    if (!MarkForDeletion(false))
        return false;
    m_placed = ::MoveFileExW(m_path.c_str(), m_target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    return m_placed;
}

bool ReplacementFile::Close()
{
    return m_file.Close();
}

} // namespace mrfyc::win32
