// SPDX-License-Identifier: MIT
#include "tests/support/child_process.h"

#include "tests/support/linux/folder_files.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace mrfyc::test {

namespace {

[[noreturn]] void Fail(const std::string &what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// The environment with LeakSanitizer off, built before the fork: a child of a process with
// threads may only make async-signal-safe calls.
std::vector<std::string> ChildEnvironment()
{
    std::vector<std::string> variables;
    for (char **variable = environ; *variable != nullptr; ++variable)
        if (std::strncmp(*variable, "ASAN_OPTIONS=", 13) != 0)
            variables.emplace_back(*variable);
    variables.emplace_back("ASAN_OPTIONS=detect_leaks=0");
    return variables;
}

std::vector<char *> Pointers(std::vector<std::string> &strings)
{
    std::vector<char *> pointers;
    for (std::string &text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

[[noreturn]] void RunInChild(char *const *argv, char *const *envp, const ChildOptions &options,
                             int out, int err)
{
    const int in = ::open("/dev/null", O_RDONLY);
    if (in < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
        ::dup2(err, STDERR_FILENO) < 0)
        ::_exit(126);
    if (options.FileSizeLimit) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{*options.FileSizeLimit, *options.FileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(126);
    }
    ::execvpe(argv[0], argv, envp);
    ::_exit(127);
}

void Drain(int fd, std::string &into)
{
    if (fd < 0)
        return;
    char buffer[4096];
    for (ssize_t got = 0; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        into.append(buffer, static_cast<std::size_t>(got));
}

} // namespace

// Pipes rather than files: what the child prints never lands in a folder under test, and a
// child's file size limit cannot cut it short.
Child StartChild(const std::vector<std::string> &argv, const ChildOptions &options)
{
    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = ChildEnvironment();
    const std::vector<char *> argumentPointers = Pointers(arguments);
    const std::vector<char *> environmentPointers = Pointers(environment);
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (options.CaptureOutput) {
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            Fail("pipe");
    } else {
        out[1] = err[1] = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (out[1] < 0)
            Fail("open /dev/null");
    }
    Child child;
    child.Pid = ::fork();
    if (child.Pid < 0)
        Fail("fork");
    if (child.Pid == 0)
        RunInChild(argumentPointers.data(), environmentPointers.data(), options, out[1], err[1]);
    ::close(out[1]);
    if (err[1] != out[1])
        ::close(err[1]);
    child.Out = out[0];
    child.Err = err[0];
    for (const int fd : {child.Out, child.Err})
        if (fd >= 0)
            ::fcntl(fd, F_SETFL, O_NONBLOCK);
    return child;
}

ChildResult WaitChild(const Child &child, std::chrono::milliseconds timeout)
{
    ChildResult result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    rusage usage = {};
    for (;;) {
        Drain(child.Out, result.Out);
        Drain(child.Err, result.Err);
        const pid_t done = ::wait4(child.Pid, &status, WNOHANG, &usage);
        if (done == child.Pid)
            break;
        if (done < 0 && errno != EINTR)
            Fail("wait4");
        if (std::chrono::steady_clock::now() > deadline) {
            result.TimedOut = true;
            ::kill(child.Pid, SIGKILL);
            ::wait4(child.Pid, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (const int fd : {child.Out, child.Err}) {
        Drain(fd, fd == child.Out ? result.Out : result.Err);
        if (fd >= 0)
            ::close(fd);
    }
    result.ExitCode = !result.TimedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.MaxResidentKiB = usage.ru_maxrss;
    return result;
}

ChildResult RunChild(const std::vector<std::string> &argv, const ChildOptions &options)
{
    return WaitChild(StartChild(argv, options), options.Timeout);
}

ChildResult RunPatcher(const PatcherFolder &folder, const std::vector<std::string> &paths,
                       const ChildOptions &options)
{
    std::vector<std::string> argv{folder.Patcher()};
    argv.insert(argv.end(), paths.begin(), paths.end());
    return RunChild(argv, options);
}

namespace {

// Where the link at path points, or nothing.
std::string LinkTarget(const std::string &path)
{
    char target[4096];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

// Ended, without reaping it: its exit status is still its waiter's.
bool HasEnded(pid_t pid)
{
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           info.si_pid == pid;
}

} // namespace

pid_t ChildRunning(pid_t parent, const std::string &program, std::chrono::milliseconds timeout)
{
    const std::string self = std::to_string(parent);
    const std::string children = "/proc/" + self + "/task/" + self + "/children";
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline && !HasEnded(parent)) {
        std::ifstream list(children);
        if (!list.is_open())
            return -1;
        for (pid_t pid = -1; list >> pid;)
            if (LinkTarget("/proc/" + std::to_string(pid) + "/exe") == program)
                return pid;
    }
    return -1;
}

std::vector<OpenFile> OpenFiles(pid_t pid)
{
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    std::vector<std::string> names;
    try {
        names = ListFolder(fds);
    } catch (const std::runtime_error &) {
        return {}; // not started yet, or ended
    }
    std::vector<OpenFile> files;
    for (const std::string &name : names) {
        OpenFile file{fds + "/" + name, LinkTarget(fds + "/" + name)};
        if (!file.Target.empty())
            files.push_back(std::move(file));
    }
    return files;
}

bool StraceWorks()
{
    return RunChild({"strace", "-f", "-o", "/dev/null", "-e", "inject=getpid:retval=1", "true"})
               .ExitCode == 0;
}

} // namespace mrfyc::test
