// SPDX-License-Identifier: MIT
#include "files/win32/replacement_file.h"

#include "files/win32/directory_listing.h"
#include "files/win32/file_identity.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace mrfyc::win32 {

namespace {

constexpr int kNameAttempts = 16;
// Keeps ".NAME.mrfyc-XXXXXXXX" within the 255 characters a name may have.
constexpr std::size_t kLongestKeptName = 230;
constexpr std::size_t kNumberDigits = 8;
// Attributes of the log that its replacement takes over; read-only logs are refused before.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// What tells a new file of ours, left by a killed run, from a file a user named the same way:
// the system attribute, set from creation to the rename. (Wine drops the temporary attribute;
// it keeps the hidden and system ones, and reports every name with a leading dot as hidden.)
constexpr DWORD kOurMark = FILE_ATTRIBUTE_SYSTEM;

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

bool IsMarkedFile(DWORD attributes)
{
    return !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
           (attributes & kOurMark);
}

bool IsLeftover(const WIN32_FIND_DATAW &found, const std::wstring &namePrefix)
{
    const std::wstring name = found.cFileName;
    if (!IsMarkedFile(found.dwFileAttributes) || name.size() != namePrefix.size() + kNumberDigits)
        return false;
    // The folder's own case rules decide whether the name part matches; the number is ours.
    const int prefixLength = static_cast<int>(namePrefix.size());
    if (::CompareStringOrdinal(name.c_str(), prefixLength, namePrefix.c_str(), prefixLength,
                               TRUE) != CSTR_EQUAL)
        return false;
    return name.find_first_not_of(L"0123456789abcdef", namePrefix.size()) == std::wstring::npos;
}

// The names in folder that look like what a killed run left, by name and attributes alone. A
// search by name pattern, since listing every entry with its ID costs several times as much.
std::vector<std::wstring> LeftoverNames(const std::wstring &folder, const std::wstring &namePrefix)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = ::FindFirstFileExW((folder + namePrefix + L"*").c_str(), FindExInfoBasic,
                                             &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (IsLeftover(found, namePrefix))
            names.emplace_back(found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

// Whether the open file is the very file the listing's entry names, and no link: on Windows a
// link is a reparse point, opened as itself; under Wine a Unix symbolic link carries its
// target's attributes and ID and opens the target, whose path on the volume gives it away.
bool IsTheEntry(const Handle &file, const BY_HANDLE_FILE_INFORMATION &info,
                const DirectoryListing &listing, const DirectoryListing::Entry &entry)
{
    if (info.dwVolumeSerialNumber != listing.VolumeSerial() || FileIndex(info) != entry.FileIndex ||
        info.nNumberOfLinks != 1)
        return false;
    const std::wstring expected = listing.PathOnVolume() + entry.Name;
    const std::optional<std::wstring> path = PathOnVolume(file.Get());
    return path &&
           ::CompareStringOrdinal(path->c_str(), static_cast<int>(path->size()), expected.c_str(),
                                  static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

// Removes the entry's file when it is a new file of ours that nobody holds: one name, our mark,
// the running user's. What is deleted is what was checked, through the one handle.
void RemoveIfOurs(const std::wstring &folder, const DirectoryListing &listing,
                  const DirectoryListing::Entry &entry)
{
    // Opening without sharing fails while anyone has the file open, the patch that is writing
    // it included. The last step is never followed, whatever link it is.
    const Handle file(::CreateFileW((folder + entry.Name).c_str(),
                                    DELETE | FILE_READ_ATTRIBUTES | READ_CONTROL, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file.IsValid() || !::GetFileInformationByHandle(file.Get(), &info) ||
        !IsMarkedFile(info.dwFileAttributes) || !IsTheEntry(file, info, listing, entry) ||
        !IsOwnedByRunningUser(file.Get()))
        return;
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    ::SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition);
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
    const std::vector<std::wstring> names = LeftoverNames(folder, NamePrefix(targetPath));
    if (names.empty())
        return;
    DirectoryListing listing(folder);
    DirectoryListing::Entry entry;
    while (listing.Next(entry))
        if (std::ranges::find(names, entry.Name) != names.end())
            RemoveIfOurs(folder, listing, entry);
}

bool ReplacementFile::Create()
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::wstring path = NameFor(m_target, NameNumber(attempt));
        // Shared for deletion only, which the rename needs; any other open, such as
        // RemoveLeftovers()'s, is refused while this patch holds it.
        Handle file(::CreateFileW(
            path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_HIDDEN | kOurMark | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
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
    // backup whatever the old one said. Times of zero are left as they are. The mark stays on
    // until the rename, after which Close() takes it off.
    FILE_BASIC_INFO basic = {};
    basic.CreationTime.LowPart = like.ftCreationTime.dwLowDateTime;
    basic.CreationTime.HighPart = static_cast<LONG>(like.ftCreationTime.dwHighDateTime);
    m_attributes = (like.dwFileAttributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
    basic.FileAttributes = m_attributes | kOurMark;
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
    if (m_placed && m_attributes != 0 && !(m_attributes & kOurMark)) {
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes = m_attributes;
        if (!::SetFileInformationByHandle(m_file.Get(), FileBasicInfo, &basic, sizeof basic)) {
            const DWORD error = ::GetLastError();
            m_file.Close();
            ::SetLastError(error);
            return false;
        }
    }
    return m_file.Close();
}

} // namespace mrfyc::win32
