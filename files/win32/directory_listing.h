// SPDX-License-Identifier: MIT
#pragma once

#include "files/win32/handle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mrfyc::win32 {

// The entries of one folder as the folder itself lists them, each with the ID of the file it
// names (FindFirstFileW gives none), read through a handle to the folder that also tells the
// folder's volume and its path there.
class DirectoryListing
{
public:
    struct Entry
    {
        std::wstring Name;
        DWORD Attributes = 0;
        std::uint64_t FileIndex = 0;
    };

    // folder: a path ending in a separator or a drive's colon, or empty for the current folder.
    explicit DirectoryListing(const std::wstring &folder);

    // False when the folder could not be opened and read; it then lists nothing.
    bool IsOpen() const { return m_folder.IsValid(); }
    // The next entry; false at the end or on a failure.
    bool Next(Entry &entry);
    DWORD VolumeSerial() const { return m_volumeSerial; }
    // The folder's path on its volume with a trailing "\", as a file in it reports its own.
    const std::wstring &PathOnVolume() const { return m_pathOnVolume; }

private:
    bool ReadMore();

    Handle m_folder;
    DWORD m_volumeSerial = 0;
    std::wstring m_pathOnVolume;
    std::vector<std::uint64_t> m_buffer; // 8-byte aligned, as the entries need
    std::size_t m_next = 0;              // byte offset of the next entry, or npos when none
};

} // namespace mrfyc::win32
