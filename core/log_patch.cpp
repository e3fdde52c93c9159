#include "core/log_patch.h"

#include "core/code_page.h"
#include "core/errors.h"
#include "core/file_descriptor.h"
#include "core/safe_file_replace.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace mrfyc {

namespace {

constexpr const char *kScratchName = "Temp.txt";

// Create-always: replaces and truncates. O_NONBLOCK keeps a FIFO of that name from blocking.
// The returned descriptor holds a lock until the header has been read back, so that two patches
// at once can neither read each other's header nor a file the other has just truncated.
FileDescriptor WriteScratchFile(const std::string &scratchPath, const std::string &header)
{
    FileDescriptor file(
        ::open(scratchPath.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    struct stat status = {};
    if (!file.IsValid() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.LockExclusive(true) || ::ftruncate(file.Get(), 0) != 0)
        throw EFCreateError(FileCreateErrorText(scratchPath));
    if (!file.WriteAll(header.data(), header.size()))
        throw EWriteError(std::string(kWriteErrorText));
    return file;
}

std::string ReadScratchFile(const std::string &scratchPath)
{
    FileDescriptor file(::open(scratchPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status = {};
    if (!file.IsValid() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        throw EFOpenError(FileOpenErrorText(scratchPath));
    std::string contents;
    try {
        contents.resize(static_cast<std::size_t>(status.st_size));
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText));
    } catch (const std::length_error &) {
        throw EStreamError(std::string(kStreamMemoryErrorText));
    }
    if (!file.ReadExactly(contents.data(), contents.size()))
        throw EReadError(std::string(kReadErrorText));
    return contents;
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
    FileDescriptor scratch = WriteScratchFile(scratchPath, BuildHeaderText(readSettings()));
    const std::string header = ReadScratchFile(scratchPath);
    // Some file systems report a failed write only when the file is closed.
    if (!scratch.Close())
        throw EWriteError(std::string(kWriteErrorText));
    SafeFileReplace log(currentLogPath);
    log.Open();
    log.Prepend(header);
    showNotice(kNoticePatched);
}

std::string ProgramDirectory()
{
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            return {}; // no /proc: the scratch file goes to the working directory
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    return ExtractFilePath(path);
}

} // namespace mrfyc
