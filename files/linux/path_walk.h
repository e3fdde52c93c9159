// SPDX-License-Identifier: MIT
#pragma once

#include "files/linux/file_descriptor.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace mrfyc {

// Where a path leads: the folder that holds its last entry, and that entry's name. Every symlink
// on the way, folders' included, is followed one step at a time, so that each can be judged by
// the link rule: a link is followed only when it belongs to the user running this or to the
// owner of what it leads to.
struct WalkedPath
{
    FileDescriptor Folder; // opened for reading
    std::string Name;      // never a symlink when the walk ended
    // Owners of the links that led to the entry itself. The entry's owner is only known once it
    // is open, so they are judged then, by LinksMayLeadTo.
    std::vector<uid_t> LinkOwners;

    bool LinksMayLeadTo(uid_t owner) const;
};

// The path the kernel knows an open folder by now; "" where /proc cannot say.
std::string ResolvedFolderPath(int folder);

// False with errno when a step cannot be taken: ELOOP after too many links, EACCES for a link
// to a folder that the rule does not let this user follow.
bool WalkPath(const std::string &path, WalkedPath &walked);

} // namespace mrfyc
