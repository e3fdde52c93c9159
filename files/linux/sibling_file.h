// SPDX-License-Identifier: MIT
#pragma once

#include "files/linux/file_descriptor.h"

#include <string>
#include <string_view>
#include <sys/types.h>

namespace mrfyc {

// The new file that will replace a file: created in the same folder (so the rename stays on one
// file system), unnamed (O_TMPFILE) where the file system allows it, else under a unique name
// ".NAME.mrfyc-XXXXXX". It holds an exclusive flock from creation to the end, so that a later run
// can tell a file left by a killed run (no lock) from one still being written. Unless committed,
// it is removed when destroyed; an unnamed one simply vanishes, even on a kill.
class SiblingFile
{
public:
    enum class Result
    {
        Created,
        FolderNotWritable,
        Failed // errno tells why
    };

    SiblingFile(int folder, std::string name) : m_folder(folder), m_targetName(std::move(name)) {}
    SiblingFile(const SiblingFile &) = delete;
    SiblingFile &operator=(const SiblingFile &) = delete;
    ~SiblingFile();

    Result Create();
    const FileDescriptor &File() const { return m_file; }
    // Gives the file the target's name, atomically replacing the target. False with errno.
    bool CommitOver();
    // The same for a target that may be missing for an instant: an unnamed file is linked under
    // the target's name alone, once the old name is gone, so that a kill never leaves a third
    // name behind. A named file is renamed over the target.
    bool CommitByLink();
    // The file itself, for the caller to keep open once it has been committed.
    FileDescriptor TakeCommitted() { return std::move(m_file); }

    // Removes new files of runs that ended without removing theirs; best effort, never fails.
    // Only regular files of the user running this or of the target's owner count: a file of
    // that name shape that belongs to anyone else is theirs, not a leftover.
    static void RemoveStale(int folder, std::string_view targetName, uid_t targetOwner);
    // ".NAME.mrfyc-", the name cut so that the whole stays within NAME_MAX.
    static std::string NamePrefix(std::string_view targetName);

private:
    Result CreateUnnamed();
    Result CreateNamed();
    bool LinkUnnamed();
    bool LinkAs(const std::string &name) const;
    void RemoveName();

    int m_folder = -1; // not owned
    std::string m_targetName;
    FileDescriptor m_file;
    std::string m_name; // empty while the file has no name
    bool m_committed = false;
};

} // namespace mrfyc
