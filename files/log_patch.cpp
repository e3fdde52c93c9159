// SPDX-License-Identifier: MIT
#include "files/log_patch.h"

#include "files/posix/file_descriptor.h"
#include "files/posix/safe_file_replace.h"
#include "rules/code_page.h"
#include "rules/errors.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <new>
#include <stdexcept>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {

namespace {

constexpr const char *kScratchName = "Temp.txt";
// Another patch holds the scratch file only from writing the header to reading it back, a matter
// of milliseconds; anything longer is a holder that may never let go. The wait blocks the
// caller's thread, and this bound keeps a window frozen no longer than that.
constexpr std::chrono::milliseconds kScratchLockWait(2000);

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Create-always: replaces and truncates. O_NONBLOCK keeps a FIFO of that name from blocking, and
// O_NOFOLLOW keeps a symlink planted there from sending the header into another file. A new file
// is its owner's alone: anyone who may open it may also lock it.
// The returned descriptor holds a lock until the header has been read back, so that two patches
// at once can neither read each other's header nor a file the other has just truncated.
FileDescriptor WriteScratchFile(const std::string &scratchPath, const std::string &header)
{
    FileDescriptor file(::open(scratchPath.c_str(),
                               O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                               0600));
    if (!file.IsValid())
        throw EFCreateError(FileCreateErrorText(scratchPath), errno);
    struct stat status = {};
    if (::fstat(file.Get(), &status) != 0)
        throw EFCreateError(FileCreateErrorText(scratchPath), errno);
    if (!S_ISREG(status.st_mode))
        throw EFCreateError(FileCreateErrorText(scratchPath));
    if (!file.LockExclusiveWithin(kScratchLockWait) || ::ftruncate(file.Get(), 0) != 0)
        throw EFCreateError(FileCreateErrorText(scratchPath), errno);
    if (!file.WriteAll(header.data(), header.size()))
        throw EWriteError(std::string(kWriteErrorText), errno);
    return file;
}

// Opened again by name, but only the very file that was written is read.
std::string ReadScratchFile(const std::string &scratchPath, const FileDescriptor &written)
{
    FileDescriptor file(
        ::open(scratchPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.IsValid())
        throw EFOpenError(FileOpenErrorText(scratchPath), errno);
    struct stat status = {};
    struct stat writtenStatus = {};
    if (::fstat(file.Get(), &status) != 0 || ::fstat(written.Get(), &writtenStatus) != 0)
        throw EFOpenError(FileOpenErrorText(scratchPath), errno);
    if (!S_ISREG(status.st_mode) || !SameFile(status, writtenStatus))
        throw EFOpenError(FileOpenErrorText(scratchPath));
    std::string contents;
    try {
        contents.resize(static_cast<std::size_t>(status.st_size));
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText), ENOMEM);
    } catch (const std::length_error &) {
        throw EStreamError(std::string(kStreamMemoryErrorText), ENOMEM);
    }
    if (!file.ReadExactly(contents.data(), contents.size()))
        throw EReadError(std::string(kReadErrorText), errno);
    return contents;
}

// Where the program was started from, when /proc is not there to say: the path the kernel was
// given, resolved against the working folder, which nothing has changed since start-up.
std::string ExecutableFromAuxiliaryVector()
{
    const auto *given = reinterpret_cast<const char *>(::getauxval(AT_EXECFN));
    if (given == nullptr || *given == '\0')
        return {};
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(given, nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::string ExecutableFromProc()
{
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

void PatchLogFile(const std::string &currentLogPath, const SettingsReader &readSettings,
                  const std::string &programDirectory, const NoticeFunction &showNotice)
{
    if (currentLogPath.empty()) {
        showNotice(kNoticeNoFile);
        return;
    }
    const std::string scratchPath = programDirectory + kScratchName;
    // Without the program's folder the name alone would land in the working folder.
    if (programDirectory.empty())
        throw EFCreateError(FileCreateErrorText(scratchPath));
    FileDescriptor scratch = WriteScratchFile(scratchPath, BuildHeaderText(readSettings()));
    const std::string header = ReadScratchFile(scratchPath, scratch);
    // Some file systems report a failed write only when the file is closed.
    if (!scratch.Close())
        throw EWriteError(std::string(kWriteErrorText), errno);
    SafeFileReplace log(currentLogPath);
    log.Open();
    log.Prepend(header);
    showNotice(kNoticePatched);
}

std::string ProgramDirectory()
{
    std::string executable = ExecutableFromProc();
    if (executable.empty())
        executable = ExecutableFromAuxiliaryVector();
    // Empty when neither works: the patch then refuses to write a scratch file anywhere.
    return executable.empty() ? std::string() : ExtractFilePath(executable);
}

} // namespace mrfyc
