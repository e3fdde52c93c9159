#include "tests/core/child_process.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mrfyc::test {

namespace {

[[noreturn]] void RunInChild(const std::vector<std::string> &argv, const TChildOptions &options,
                             int out, int err)
{
    if (::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0)
        ::_exit(126);
    if (options.FileSizeLimit) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{*options.FileSizeLimit, *options.FileSizeLimit};
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

// Reads both pipes to their ends at once, so that neither child stream can fill up and stall.
void Drain(int out, int err, TChildResult &result)
{
    std::array<pollfd, 2> fds{pollfd{out, POLLIN, 0}, pollfd{err, POLLIN, 0}};
    std::array<std::string *, 2> targets{&result.Out, &result.Err};
    int open = 2;
    while (open > 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error("poll failed");
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                targets[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

} // namespace

TChildResult RunChild(const std::vector<std::string> &argv, const TChildOptions &options)
{
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0)
        RunInChild(argv, options, out[1], err[1]);
    ::close(out[1]);
    ::close(err[1]);
    TChildResult result;
    Drain(out[0], err[0], result);
    int status = 0;
    rusage usage = {};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("wait4 failed");
    }
    result.MaxResidentKiB = usage.ru_maxrss;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool HasProgram(const std::string &name)
{
    return RunChild({"sh", "-c", "command -v " + name}).ExitCode == 0;
}

} // namespace mrfyc::test
