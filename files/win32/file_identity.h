// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace mrfyc::win32 {

// What an open file is, as the system knows it rather than as a path names it.

// The file's volume-wide ID, as the folder listing gives it too.
std::uint64_t FileIndex(const BY_HANDLE_FILE_INFORMATION &info);
// The path of the open file on its volume ("\folder\name"), as the file system reports it. For
// a Unix symbolic link opened under Wine, that is its target's path, not the link's.
std::optional<std::wstring> PathOnVolume(HANDLE file);
// Whether the user running this owns the file, either as the user or as the owner the process
// gives the files it makes (an elevated administrator's are the Administrators group's). On a
// volume that keeps no owners (FAT) every file is anyone's.
bool IsOwnedByRunningUser(HANDLE file);

} // namespace mrfyc::win32
