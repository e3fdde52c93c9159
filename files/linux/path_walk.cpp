// SPDX-License-Identifier: MIT
#include "files/linux/path_walk.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {

namespace {

constexpr int kMaxLinks = 40; // as the kernel counts them

// An entry not yet known to be a folder: its folder, its name, the links that led to it.
struct Entry
{
    FileDescriptor Folder; // O_PATH
    std::string Name;
    std::vector<uid_t> LinkOwners;
};

std::vector<std::string> Steps(std::string_view path)
{
    std::vector<std::string> steps;
    for (std::size_t at = 0; at < path.size();) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        const std::string_view step = path.substr(at, slash - at);
        if (!step.empty() && step != ".")
            steps.emplace_back(step);
        at = slash + 1;
    }
    // "name/" names a folder: the last step must then open as one.
    if (!path.empty() && path.back() == '/')
        steps.emplace_back(".");
    return steps;
}

FileDescriptor OpenFolder(int folder, const char *name)
{
    return FileDescriptor(::openat(folder, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

class Walk
{
public:
    explicit Walk(int &links) : m_links(links) {}

    // The entry that path names from folder, its links followed: never a link itself.
    bool To(int folder, std::string_view path, Entry &entry)
    {
        FileDescriptor current = OpenFolder(path.starts_with('/') ? AT_FDCWD : folder,
                                            path.starts_with('/') ? "/" : ".");
        if (!current.IsValid())
            return false;
        std::vector<std::string> steps = Steps(path);
        if (steps.empty())
            steps.emplace_back(".");
        for (std::size_t i = 0; i < steps.size(); ++i) {
            if (!Follow(std::move(current), steps[i], entry))
                return false;
            if (i + 1 == steps.size())
                return true;
            current = EnterFolder(entry);
            if (!current.IsValid())
                return false;
        }
        return true;
    }

private:
    // The step's entry, and where it is a link, the entry it leads to.
    bool Follow(FileDescriptor folder, const std::string &name, Entry &entry)
    {
        struct stat status = {};
        if (::fstatat(folder.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (!S_ISLNK(status.st_mode)) {
            entry = Entry{std::move(folder), name, {}};
            return true;
        }
        if (++m_links > kMaxLinks) {
            errno = ELOOP;
            return false;
        }
        std::string text(static_cast<std::size_t>(status.st_size) + 1, '\0');
        const ssize_t length = ::readlinkat(folder.Get(), name.c_str(), text.data(), text.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= text.size()) {
            if (length >= 0)
                errno = EAGAIN; // changed while read
            return false;
        }
        text.resize(static_cast<std::size_t>(length));
        if (!To(folder.Get(), text, entry))
            return false;
        entry.LinkOwners.push_back(status.st_uid);
        return true;
    }

    // The entry as the folder the next step is looked up in; the links to it are judged by its
    // owner here.
    static FileDescriptor EnterFolder(const Entry &entry)
    {
        FileDescriptor folder = OpenFolder(entry.Folder.Get(), entry.Name.c_str());
        struct stat status = {};
        if (!folder.IsValid() || ::fstat(folder.Get(), &status) != 0)
            return {};
        for (const uid_t owner : entry.LinkOwners)
            if (owner != ::geteuid() && owner != status.st_uid) {
                errno = EACCES;
                return {};
            }
        return folder;
    }

    int &m_links;
};

} // namespace

bool WalkedPath::LinksMayLeadTo(uid_t owner) const
{
    return std::all_of(
        LinkOwners.begin(), LinkOwners.end(),
        [owner](uid_t link) { return link == ::geteuid() || link == owner; });
}

bool WalkPath(const std::string &path, WalkedPath &walked)
{
    int links = 0;
    Entry entry;
    if (!Walk(links).To(AT_FDCWD, path, entry))
        return false;
    // The folder is read and synced later, which a descriptor opened only for lookups cannot.
    walked.Folder =
        FileDescriptor(::openat(entry.Folder.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!walked.Folder.IsValid())
        return false;
    walked.Name = std::move(entry.Name);
    walked.LinkOwners = std::move(entry.LinkOwners);
    return true;
}

std::string ResolvedFolderPath(int folder)
{
    const std::string link = "/proc/self/fd/" + std::to_string(folder);
    std::string path(PATH_MAX, '\0');
    const ssize_t length = ::readlink(link.c_str(), path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size() || path.front() != '/')
        return {};
    path.resize(static_cast<std::size_t>(length));
    return path;
}

} // namespace mrfyc
