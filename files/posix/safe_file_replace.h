// SPDX-License-Identifier: MIT
#pragma once

#include "files/posix/file_descriptor.h"
#include "files/posix/path_walk.h"

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace mrfyc {

// Puts bytes in front of a regular file's contents without ever leaving the file half-written.
// The new contents are streamed into a new file in the file's own folder, synced, and renamed
// over the file; owner, mode and symlinks are kept. Only when that folder is not writable (or
// the owner could not be kept) is the file rewritten in place, journalled so that a failure is
// undone and a kill finished or undone by the next run. Once open, the file and its folder are
// reached only through their descriptors, so renaming folders on the way cannot redirect the
// writes. Failures throw the error kinds of rules/errors.h, naming the path as given.
class SafeFileReplace
{
public:
    explicit SafeFileReplace(std::string path) : m_path(std::move(path)) {}

    // Where a rewrite in place keeps its journal (UTF-8, with its trailing delimiter). Without
    // one, a file that could only be rewritten in place is refused.
    void SetJournalFolder(std::string folder) { m_journalFolder = std::move(folder); }

    // Opens the file for reading. EFOpenError when it is missing, unreadable or not a regular
    // file (a FIFO or a device is never opened for writing, nor replaced), and when it is
    // reached through a symlink that belongs neither to this user nor to the file's owner.
    void Open();
    // Replaces the contents with prefix + the old contents. EFCreateError when the file cannot
    // be written (no write permission bit counts, also for root; an append-only or immutable
    // file or folder; setuid or setgid bits a rewrite in place could not keep); EFOpenError when
    // the file's name meanwhile means another file; EWriteError, EReadError or EStreamError when
    // writing, reading or allocating fails.
    void Prepend(std::string_view prefix);

    // Block size of the copy: large enough for full-speed I/O, small enough to keep memory flat.
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

private:
    enum class Outcome
    {
        Replaced,
        NeedsRewriteInPlace
    };

    bool OpenInFolder(WalkedPath &walked);
    void RefuseUnreplaceable() const;
    FileDescriptor OpenForWriting() const;
    bool StillNamed() const;
    Outcome ReplaceThroughNewFile(std::string_view prefix);
    void RewriteInPlace(const FileDescriptor &file, std::string_view prefix) const;
    void CopyWithPrefix(const FileDescriptor &to, std::string_view prefix) const;
    [[noreturn]] void ThrowCreateError(int systemError) const;
    [[noreturn]] void ThrowOpenError(int systemError) const;

    std::string m_path;
    FileDescriptor m_folder;  // the folder that holds the file itself, symlinks followed
    std::string m_folderPath; // the same folder's resolved path
    std::string m_name;       // the file's name in m_folder
    FileDescriptor m_source;
    struct stat m_status = {};
    std::string m_journalFolder;
};

} // namespace mrfyc
