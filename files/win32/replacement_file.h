// SPDX-License-Identifier: MIT
#pragma once

#include "files/win32/handle.h"

#include <string>

namespace mrfyc::win32 {

// The new file that will replace a file, created hidden beside it so that putting it in place is
// one rename on one volume, which replaces the target in a single step: a kill at any moment
// leaves the old file or the new one under the target's name. Until it is finished it is marked
// for deletion, so the system removes it when the handle closes for any reason, a killed process
// included; from then until the rename only a kill can leave it behind, and the handle stays open
// up to the rename so that RemoveLeftovers() of another run leaves it alone.
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
    // Gives the file the attributes and creation time of `like` (the target), marked for backup,
    // and flushes it to disk. False with GetLastError().
    bool Finish(const BY_HANDLE_FILE_INFORMATION &like);
    // Renames the finished file over the target. False with GetLastError(); the target is then as
    // it was, and this file is removed on destruction.
    bool PutInPlace();
    // Once in place, takes off the mark that told the file as ours and closes it; false with
    // GetLastError() when the system reports a failure.
    bool Close();

    // The name of the new file for a target "NAME" in the same folder: ".NAME.mrfyc-XXXXXXXX".
    static std::wstring NameFor(const std::wstring &targetPath, unsigned number);
    // Removes the new files for this target that a killed run left: files of NameFor's shape that
    // carry the mark this class gives them until the rename, belong to the user running this and
    // that nobody has open (a running patch keeps its own open). Anything else of that name is
    // left alone: a link (never followed, under Wine either), a file with another name too,
    // another user's file, a file the user named so.
    static void RemoveLeftovers(const std::wstring &targetPath);

private:
    bool MarkForDeletion(bool remove);

    std::wstring m_target;
    std::wstring m_path;
    Handle m_file;
    DWORD m_attributes = 0; // what the file keeps once in place; 0 before Finish()
    bool m_placed = false;
};

} // namespace mrfyc::win32
