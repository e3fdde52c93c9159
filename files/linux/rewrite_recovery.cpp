// SPDX-License-Identifier: MIT
#include "files/rewrite_recovery.h"

#include "files/linux/file_descriptor.h"
#include "files/linux/in_place_rewrite.h"
#include "files/linux/path_walk.h"
#include "files/linux/rewrite_journal.h"
#include "files/linux/rewrite_state.h"

#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mrfyc {

namespace {

using Reason = WaitingRewrite::Reason;

// How long a log's folder may take to answer before its journal is left to wait: a local disk
// answers in milliseconds, a network or FUSE mount that has stopped answering never does.
constexpr std::chrono::milliseconds kReachDeadline{1500};

// What a recovery in the child tells the parent: that the log is reached, then how it ended.
constexpr char kReached = 'r';
constexpr char kDone = 'd';

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

std::string LogPath(const RewritePlan &plan)
{
    return plan.Folder + (plan.Folder.ends_with('/') ? "" : "/") + plan.Name;
}

// The log the journal names, opened and locked when the name still means that very file: the
// same inode on a file system of the same UUID (where it has one). The device number is no
// part of it, since a disk that comes back gets another.
FileDescriptor OpenLog(const RewritePlan &plan, Reason &why)
{
    why = Reason::Unreachable;
    const FileDescriptor folder(
        ::open(plan.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.IsValid())
        return {};
    why = Reason::NotTheLog;
    struct stat named = {};
    if (::fstatat(folder.Get(), plan.Name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(named.st_mode) || named.st_ino != plan.Inode)
        return {};
    FileDescriptor log(::openat(folder.Get(), plan.Name.c_str(), O_RDWR | kOpenLookedAt));
    struct stat status = {};
    if (!log.IsValid() || ::fstat(log.Get(), &status) != 0 || !SameFile(status, named))
        return {};
    const std::string uuid = FileSystemUuid(log.Get());
    if (!plan.FileSystem.empty() && !uuid.empty() && uuid != plan.FileSystem)
        return {};
    why = Reason::Busy;
    if (!log.LockExclusive(false))
        return {};
    return log;
}

// Writes nothing until the file's contents prove the state the journal's latest step left.
char Recover(RewriteJournal &journal, const std::function<void()> &reached)
{
    Reason why = Reason::Failed;
    const FileDescriptor log = OpenLog(journal.Plan(), why);
    if (!log.IsValid())
        return static_cast<char>(why);
    reached();
    InPlaceRewrite rewrite(log, journal);
    if (!journal.Proof())
        return rewrite.ResumeUnproven() ? kDone : static_cast<char>(Reason::NotTheLog);
    RewriteStateCheck check(log, journal.Plan(), *journal.Proof());
    if (check.IsOld() || check.IsPatched())
        return journal.Remove() ? kDone : static_cast<char>(Reason::Unusable);
    const std::optional<RewriteStep> step = journal.ReadLatestStep(rewrite.Block());
    if (!check.IsLeftBy(step, rewrite.Block()))
        return static_cast<char>(Reason::NotTheLog);
    return rewrite.Resume(step) ? kDone : static_cast<char>(Reason::Failed);
}

void WriteByte(int fd, char byte)
{
    while (::write(fd, &byte, 1) < 0 && errno == EINTR) {
    }
}

// Recovers in a child process, which shares the journal's lock, so that a log's folder that does
// not answer holds up only the child: it is given kReachDeadline to reach the log, then all the
// time the disk needs.
char RecoverBounded(RewriteJournal &journal)
{
    int pipe[2] = {-1, -1};
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return static_cast<char>(Reason::Failed);
    const FileDescriptor readEnd(pipe[0]);
    FileDescriptor writeEnd(pipe[1]);
    const pid_t child = ::fork();
    if (child < 0)
        return static_cast<char>(Reason::Failed);
    if (child == 0) {
        const char outcome = Recover(journal, [&writeEnd] { WriteByte(writeEnd.Get(), kReached); });
        WriteByte(writeEnd.Get(), outcome);
        ::_exit(0);
    }
    writeEnd.Close();
    const auto deadline = std::chrono::steady_clock::now() + kReachDeadline;
    char outcome = static_cast<char>(Reason::Failed);
    for (bool reached = false;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{readEnd.Get(), POLLIN, 0};
        const int ready =
            ::poll(&wait, 1, reached ? -1 : static_cast<int>(std::max<long>(0, left.count())));
        if (ready < 0 && errno == EINTR)
            continue;
        char byte = 0;
        if (ready == 0) {
            // A process waiting on a FUSE or NFS mount still dies of SIGKILL.
            ::kill(child, SIGKILL);
            outcome = static_cast<char>(Reason::Unreachable);
            break;
        }
        if (ready < 0 || ::read(readEnd.Get(), &byte, 1) != 1)
            break;
        if (byte != kReached) {
            outcome = byte;
            break;
        }
        reached = true;
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return outcome;
}

WaitingRewrite::Reason Unfinished(RewriteJournal &journal, RewriteJournal::Adoption adoption,
                                  bool &waits)
{
    waits = true;
    switch (adoption) {
    case RewriteJournal::Adoption::NotOurs:
        waits = false;
        return Reason::Failed;
    case RewriteJournal::Adoption::Unwritten:
        // Killed before its plan was whole: nothing had moved.
        journal.Remove();
        waits = false;
        return Reason::Failed;
    case RewriteJournal::Adoption::Busy:
        // Still being made by a running rewrite, which names no log yet.
        waits = journal.HasPlan();
        return Reason::Busy;
    case RewriteJournal::Adoption::Unusable:
        return Reason::Unusable;
    case RewriteJournal::Adoption::Adopted:
        break;
    }
    const char outcome = RecoverBounded(journal);
    waits = outcome != kDone;
    return static_cast<Reason>(outcome);
}

} // namespace

RecoveryReport RecoverInterruptedRewrites(const std::string &programDirectory) noexcept
{
    RecoveryReport report;
    if (programDirectory.empty())
        return report;
    try {
        const FileDescriptor folder(
            ::open(programDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder.IsValid())
            return report;
        for (const std::string &name : JournalNames(folder.Get())) {
            RewriteJournal journal;
            const RewriteJournal::Adoption adoption = journal.Adopt(folder.Get(), name);
            bool waits = false;
            const Reason why = Unfinished(journal, adoption, waits);
            if (waits)
                report.Waiting.push_back({programDirectory + name,
                                          journal.HasPlan() ? LogPath(journal.Plan()) : "", why});
        }
    } catch (...) {
        // Out of memory for a name or a block: the journals wait for the next run.
    }
    return report;
}

const WaitingRewrite *RecoveryReport::For(const std::string &path) const
{
    if (Waiting.empty())
        return nullptr;
    WalkedPath walked;
    if (!WalkPath(path, walked))
        return nullptr;
    const std::string folder = ResolvedFolderPath(walked.Folder.Get());
    const std::string log = folder + (folder.ends_with('/') ? "" : "/") + walked.Name;
    for (const WaitingRewrite &waiting : Waiting)
        if (waiting.Log == log)
            return &waiting;
    return nullptr;
}

} // namespace mrfyc
