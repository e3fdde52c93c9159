// SPDX-License-Identifier: MIT
#include "tests/support/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace mrfyc::test {

namespace {

[[noreturn]] void RunInChild(const std::vector<std::string> &argv,
                             std::optional<rlim_t> fileSizeLimit, int out, int err)
{
    if (::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0)
        ::_exit(126);
    if (fileSizeLimit) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{*fileSizeLimit, *fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(126);
    }
    ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    std::vector<char *> arguments;
    for (const std::string &argument : argv)
        arguments.push_back(const_cast<char *>(argument.c_str()));
    arguments.push_back(nullptr);
    ::execvp(arguments[0], arguments.data());
    ::_exit(127);
}

// Read once the child has ended: the patcher prints a line or two, far less than a pipe holds.
// (A file would not do: the child's size limit would cut its output short.)
std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t got = 0; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return text;
}

} // namespace

ChildResult RunChild(const std::vector<std::string> &argv, std::optional<rlim_t> fileSizeLimit)
{
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0)
        RunInChild(argv, fileSizeLimit, out[1], err[1]);
    ::close(out[1]);
    ::close(err[1]);
    int status = 0;
    rusage usage = {};
    while (::wait4(child, &status, 0, &usage) < 0)
        if (errno != EINTR)
            throw std::runtime_error("wait4 failed");
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out[0]), ReadAll(err[0]),
            usage.ru_maxrss};
}

} // namespace mrfyc::test
