// SPDX-License-Identifier: MIT
#include "files/win32/directory_listing.h"

#include "files/win32/file_identity.h"

namespace mrfyc::win32 {

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

} // namespace

DirectoryListing::DirectoryListing(const std::wstring &folder)
    : m_buffer(kBufferBytes / sizeof(std::uint64_t)), m_next(std::wstring::npos)
{
    Handle handle(::CreateFileW((folder + L".").c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!handle.IsValid() || !::GetFileInformationByHandle(handle.Get(), &info))
        return;
    const std::optional<std::wstring> path = win32::PathOnVolume(handle.Get());
    if (!path)
        return;
    m_volumeSerial = info.dwVolumeSerialNumber;
    m_pathOnVolume = *path;
    if (m_pathOnVolume.empty() || m_pathOnVolume.back() != L'\\')
        m_pathOnVolume += L'\\';
    m_folder = std::move(handle);
}

bool DirectoryListing::ReadMore()
{
    m_next = std::wstring::npos;
    if (!IsOpen() || !::GetFileInformationByHandleEx(m_folder.Get(), FileIdBothDirectoryInfo,
                                                     m_buffer.data(), kBufferBytes))
        return false;
    m_next = 0;
    return true;
}

bool DirectoryListing::Next(Entry &entry)
{
    if (m_next == std::wstring::npos && !ReadMore())
        return false;
    const auto *info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(
        reinterpret_cast<const char *>(m_buffer.data()) + m_next);
    entry.Name.assign(info->FileName, info->FileNameLength / sizeof(WCHAR));
    entry.Attributes = info->FileAttributes;
    entry.FileIndex = static_cast<std::uint64_t>(info->FileId.QuadPart);
    m_next = info->NextEntryOffset == 0 ? std::wstring::npos : m_next + info->NextEntryOffset;
    return true;
}

} // namespace mrfyc::win32
