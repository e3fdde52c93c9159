// SPDX-License-Identifier: MIT
#pragma once

#include "files/win32/handle.h"

#include <string>

namespace mrfyc::win32 {

// The new file that will replace a file, created beside it so that putting it in place is a
// rename on one volume. Until it is finished it is marked for deletion, so the system removes it
// when the handle closes for any reason, a killed process included. Unless put in place, it is
// removed when destroyed.
class ReplacementFile
{
public:
    explicit ReplacementFile(std::wstring targetPath) : m_target(std::move(targetPath)) {}
    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;
    ~ReplacementFile();

    // False with GetLastError() set.
    bool Create();
    const Handle &File() const { return m_file; }
    // Flushes the contents to disk, keeps the file and closes it. False with GetLastError().
    bool Finish();
    // Puts the finished file in place of the target. False with GetLastError(); the target is
    // then as it was, and this file is removed on destruction.
    bool PutInPlace();

    // The name of the new file for a target "NAME" in the same folder: ".NAME.mrfyc-XXXXXXXX".
    static std::wstring NameFor(const std::wstring &targetPath, unsigned number);

private:
    bool MarkForDeletion(bool remove);

    std::wstring m_target;
    std::wstring m_path;
    Handle m_file;
    bool m_placed = false;
};

} // namespace mrfyc::win32
