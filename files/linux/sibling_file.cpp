// SPDX-License-Identifier: MIT
#include "files/linux/sibling_file.h"

#include "files/linux/random_bytes.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {

namespace {

constexpr std::string_view kTag = ".mrfyc-";
constexpr std::size_t kUniqueLength = 6;
constexpr std::size_t kMaxBaseLength = 200; // leaves room for the dot, tag and suffix
constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kAttempts = 100;

std::string UniqueName(std::string_view targetName)
{
    std::string name = SiblingFile::NamePrefix(targetName);
    for (const char byte : RandomBytes(kUniqueLength))
        name += kAlphabet[static_cast<unsigned char>(byte) % kAlphabet.size()];
    return name;
}

bool IsOurName(std::string_view name, std::string_view prefix)
{
    if (name.size() != prefix.size() + kUniqueLength || !name.starts_with(prefix))
        return false;
    return name.substr(prefix.size()).find_first_not_of(kAlphabet) == std::string_view::npos;
}

bool MeansFolderNotWritable(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// Runs step again for as long as it fails only because a name is taken, a bounded number of times.
template <typename Step> bool RetryWhileNameTaken(Step step)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (step())
            return true;
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

} // namespace

SiblingFile::~SiblingFile()
{
    if (!m_committed)
        RemoveName();
}

std::string SiblingFile::NamePrefix(std::string_view targetName)
{
    std::string prefix(".");
    prefix += targetName.substr(0, kMaxBaseLength);
    prefix += kTag;
    return prefix;
}

SiblingFile::Result SiblingFile::Create()
{
    const Result result = CreateUnnamed();
    // EISDIR and EOPNOTSUPP: the kernel or the file system has no O_TMPFILE.
    if (result != Result::Failed || (errno != EOPNOTSUPP && errno != EISDIR))
        return result;
    return CreateNamed();
}

SiblingFile::Result SiblingFile::CreateUnnamed()
{
    m_file = FileDescriptor(::openat(m_folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!m_file.IsValid())
        return MeansFolderNotWritable(errno) ? Result::FolderNotWritable : Result::Failed;
    if (::flock(m_file.Get(), LOCK_EX) != 0) {
        m_file.Close();
        return Result::Failed;
    }
    return Result::Created;
}

SiblingFile::Result SiblingFile::CreateNamed()
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = UniqueName(m_targetName);
        FileDescriptor file(::openat(m_folder, name.c_str(),
                                     O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.IsValid()) {
            if (errno == EEXIST)
                continue;
            return MeansFolderNotWritable(errno) ? Result::FolderNotWritable : Result::Failed;
        }
        m_name = std::move(name);
        m_file = std::move(file);
        if (::flock(m_file.Get(), LOCK_EX) != 0) {
            RemoveName();
            return Result::Failed;
        }
        // Between the creation and the lock another run may have taken the file for a stale one
        // and removed it; then the name is no longer ours.
        if (m_file.IsNamed(m_folder, m_name))
            return Result::Created;
        m_name.clear();
        m_file.Close();
    }
    errno = EEXIST;
    return Result::Failed;
}

bool SiblingFile::LinkAs(const std::string &name) const
{
    const std::string procPath = "/proc/self/fd/" + std::to_string(m_file.Get());
    if (::linkat(AT_FDCWD, procPath.c_str(), m_folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno == EEXIST) // no /proc: root may link the descriptor itself
        return false;
    return ::linkat(m_file.Get(), "", m_folder, name.c_str(), AT_EMPTY_PATH) == 0;
}

bool SiblingFile::LinkUnnamed()
{
    // A link cannot replace a name, so the file gets a unique name first and is renamed after.
    return RetryWhileNameTaken([this] {
        std::string name = UniqueName(m_targetName);
        if (!LinkAs(name))
            return false;
        m_name = std::move(name);
        return true;
    });
}

bool SiblingFile::CommitOver()
{
    if (m_name.empty() && !LinkUnnamed())
        return false;
    if (::renameat(m_folder, m_name.c_str(), m_folder, m_targetName.c_str()) != 0)
        return false;
    m_committed = true;
    m_name.clear();
    return true;
}

bool SiblingFile::CommitByLink()
{
    if (!m_name.empty())
        return CommitOver();
    // Another run may put its own file under the name between the two steps; then again.
    const bool linked = RetryWhileNameTaken([this] {
        if (::unlinkat(m_folder, m_targetName.c_str(), 0) != 0 && errno != ENOENT)
            return false;
        return LinkAs(m_targetName);
    });
    if (linked)
        m_committed = true;
    return linked;
}

void SiblingFile::RemoveName()
{
    if (m_name.empty())
        return;
    // Nothing more can be done when this fails; the name stays recognisable as stale and the
    // next run removes it.
    static_cast<void>(::unlinkat(m_folder, m_name.c_str(), 0));
    m_name.clear();
}

void SiblingFile::RemoveStale(int folder, std::string_view targetName, uid_t targetOwner)
{
    const int listFd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return;
    DIR *list = ::fdopendir(listFd);
    if (list == nullptr) {
        ::close(listFd);
        return;
    }
    const std::string prefix = NamePrefix(targetName);
    while (const dirent *entry = ::readdir(list)) {
        if (!IsOurName(entry->d_name, prefix))
            continue;
        FileDescriptor stale(::openat(folder, entry->d_name, O_RDONLY | kOpenLookedAt));
        struct stat status = {};
        if (!stale.IsValid() || ::fstat(stale.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
            (status.st_uid != ::geteuid() && status.st_uid != targetOwner))
            continue;
        // A run still writing holds the lock; only a file nobody holds is left over.
        // The name must still be the file that was looked at.
        if (::flock(stale.Get(), LOCK_EX | LOCK_NB) == 0 && stale.IsNamed(folder, entry->d_name))
            static_cast<void>(::unlinkat(folder, entry->d_name, 0));
    }
    ::closedir(list);
}

} // namespace mrfyc
