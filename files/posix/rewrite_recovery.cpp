// SPDX-License-Identifier: MIT
#include "files/rewrite_recovery.h"

#include "files/posix/file_descriptor.h"
#include "files/posix/in_place_rewrite.h"
#include "files/posix/rewrite_journal.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mrfyc {

namespace {

std::vector<std::string> JournalNames(int folder)
{
    std::vector<std::string> names;
    DIR *listing = ::fdopendir(::dup(folder));
    if (listing == nullptr)
        return names;
    while (const dirent *entry = ::readdir(listing))
        if (RewriteJournal::IsJournalName(entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

// The log the journal names, opened only when it is still that very file, in the state a rewrite
// leaves it in, and no other run is patching it; otherwise whether the journal is of no more use.
FileDescriptor OpenLog(const RewritePlan &plan, bool &obsolete)
{
    obsolete = false;
    // Its folder out of reach (a disk not mounted now): the journal waits for it.
    const FileDescriptor folder(
        ::open(plan.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.IsValid())
        return {};
    struct stat named = {};
    if (::fstatat(folder.Get(), plan.Name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
        obsolete = errno == ENOENT;
        return {};
    }
    // Removed or replaced since: whatever now has that name is not the log to mend.
    const auto isTheLog = [&plan](const struct stat &status) {
        return S_ISREG(status.st_mode) && status.st_dev == plan.Device &&
               status.st_ino == plan.Inode;
    };
    if (!isTheLog(named)) {
        obsolete = true;
        return {};
    }
    FileDescriptor log(::openat(folder.Get(), plan.Name.c_str(),
                                O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status = {};
    if (!log.IsValid() || ::fstat(log.Get(), &status) != 0 || !isTheLog(status) ||
        !log.LockExclusive(false))
        return {};
    // A size no rewrite leaves: the log was changed by other means since.
    if (status.st_size < plan.OldSize ||
        status.st_size > plan.OldSize + static_cast<off_t>(plan.Prefix.size())) {
        obsolete = true;
        return {};
    }
    return log;
}

void Recover(RewriteJournal &journal)
{
    bool obsolete = false;
    const FileDescriptor log = OpenLog(journal.Plan(), obsolete);
    if (log.IsValid())
        InPlaceRewrite(log, journal).Resume();
    else if (obsolete)
        journal.Remove();
}

} // namespace

void RecoverInterruptedRewrites(const std::string &programDirectory) noexcept
{
    if (programDirectory.empty())
        return;
    try {
        const FileDescriptor folder(
            ::open(programDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder.IsValid())
            return;
        for (const std::string &name : JournalNames(folder.Get())) {
            RewriteJournal journal;
            switch (journal.Adopt(folder.Get(), name)) {
            case RewriteJournal::Adoption::Unwritten:
                journal.Remove();
                break;
            case RewriteJournal::Adoption::Adopted:
                Recover(journal);
                break;
            case RewriteJournal::Adoption::NotOurs:
            case RewriteJournal::Adoption::Busy:
                break;
            }
        }
    } catch (...) {
        // Out of memory for a name or a block: the journals wait for the next run.
    }
}

} // namespace mrfyc
