// SPDX-License-Identifier: MIT
#include "files/program_directory.h"

#include "rules/code_page.h"

#include <cstdlib>
#include <memory>
#include <sys/auxv.h>
#include <unistd.h>

namespace mrfyc {

namespace {

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

// Started as "ld.so PROGRAM", the running image is the loader, and /proc names the loader's
// folder (a system library folder, writable by root). The kernel then started no interpreter, and
// the loader has put the program's own path where the kernel puts it.
bool StartedThroughLoader()
{
    return ::getauxval(AT_BASE) == 0;
}

std::string ProgramDirectory()
{
    std::string executable = StartedThroughLoader() ? std::string() : ExecutableFromProc();
    if (executable.empty())
        executable = ExecutableFromAuxiliaryVector();
    // Empty when neither works: the patch then refuses to write a scratch file anywhere.
    return executable.empty() ? std::string() : ExtractFilePath(executable);
}

} // namespace mrfyc
