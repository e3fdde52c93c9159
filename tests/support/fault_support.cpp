// SPDX-License-Identifier: MIT
#include "tests/support/fault_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace mrfyc::test {

namespace {

constexpr std::size_t kBlock = 1 << 20;

[[noreturn]] void Fail(const std::string &what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::uint64_t Mix(std::uint64_t x)
{
    // splitmix64: cheap, and no two nearby offsets share a word.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Pattern bytes [offset, offset + size) into out; offset is a multiple of 8.
void FillPattern(std::uint64_t offset, std::size_t size, std::uint64_t seed, char *out)
{
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t word = Mix(seed ^ ((offset + i) / 8)) | 0x0101010101010101ull;
        std::memcpy(out + i, &word, std::min<std::size_t>(8, size - i));
    }
}

std::uint64_t Digest(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::vector<char> buffer(kBlock);
    std::uint64_t digest = 1469598103934665603ull;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            digest = (digest ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
    }
    ::close(fd);
    return digest;
}

int RemoveEntry(const char *path, const struct stat *, int, struct FTW *)
{
    ::chmod(path, 0700); // a read-only folder from a test must still go
    return ::remove(path);
}

void CopyFile(const std::string &from, const std::string &to, mode_t mode)
{
    const std::string bytes = ReadFile(from);
    WriteFile(to, bytes);
    if (::chmod(to.c_str(), mode) != 0)
        Fail("chmod " + to);
}

std::string ScratchBase()
{
    if (const char *base = std::getenv("MRFYC_FAULTS_DIR"))
        return base;
    return MRFYC_FAULTS_SCRATCH;
}

} // namespace

std::string OpenErrorLine(std::string_view path)
{
    return "ファイル " + std::string(path) + " は開けません.";
}

std::string CreateErrorLine(std::string_view path)
{
    return "ファイル " + std::string(path) + " を作成できません.";
}

ScratchDir::ScratchDir()
{
    const std::string base = ScratchBase();
    ::mkdir(base.c_str(), 0755);
    std::string templ = base + "/run.XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr)
        Fail("mkdtemp " + templ);
    m_path = templ;
    // Other users (nobody) must reach the files of the unprivileged cases.
    ::chmod(m_path.c_str(), 0755);
    ::chmod(base.c_str(), 0755);
    if (::mkdir((m_path + "/bin").c_str(), 0755) != 0)
        Fail("mkdir bin");
    CopyFile(MRFYC_PATCH_EXE, Patcher(), 0755);
}

ScratchDir::~ScratchDir()
{
    ::nftw(m_path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool StraceWorks()
{
    return ::access("/usr/bin/strace", X_OK) == 0 &&
           std::system("/usr/bin/strace -o /dev/null -e inject=getpid:retval=1 /bin/true "
                       ">/dev/null 2>&1") == 0;
}

Child StartChild(const std::vector<std::string> &argv, const ChildOptions &options)
{
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    // A pipe, so that what the child prints never lands in a folder under test.
    int pipe[2] = {-1, -1};
    if (options.captureOutput && ::pipe2(pipe, O_CLOEXEC) != 0)
        Fail("pipe");

    Child child;
    child.pid = ::fork();
    if (child.pid < 0)
        Fail("fork");
    if (child.pid > 0) {
        if (options.captureOutput) {
            ::close(pipe[1]);
            child.output = pipe[0];
            ::fcntl(child.output, F_SETFL, O_NONBLOCK);
        }
        return child;
    }
    // Child: only async-signal-safe calls from here on.
    const int out = options.captureOutput ? pipe[1] : ::open("/dev/null", O_WRONLY);
    if (out < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0)
        ::_exit(125);
    const int in = ::open("/dev/null", O_RDONLY);
    if (in < 0 || ::dup2(in, 0) < 0)
        ::_exit(125);
    ::execv(args[0], args.data());
    ::_exit(127);
}

namespace {

void Drain(int fd, std::string &into)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        into.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

RunResult WaitChild(const Child &child, std::chrono::milliseconds timeout)
{
    RunResult result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        if (child.output >= 0)
            Drain(child.output, result.output);
        const pid_t done = ::waitpid(child.pid, &status, WNOHANG);
        if (done == child.pid)
            break;
        if (done < 0)
            Fail("waitpid");
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            ::kill(child.pid, SIGKILL);
            ::waitpid(child.pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (child.output >= 0) {
        Drain(child.output, result.output);
        ::close(child.output);
    }
    result.exited = !result.timedOut && WIFEXITED(status);
    result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    return result;
}

RunResult RunPatcher(const ScratchDir &scratch, const std::vector<std::string> &paths,
                     const ChildOptions &options, std::chrono::milliseconds timeout)
{
    std::vector<std::string> argv{scratch.Patcher()};
    argv.insert(argv.end(), paths.begin(), paths.end());
    return WaitChild(StartChild(argv, options), timeout);
}

void WritePattern(const std::string &path, std::uint64_t size, std::uint64_t seed)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail("create " + path);
    std::vector<char> block(kBlock);
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - done));
        FillPattern(done, n, seed, block.data());
        if (::write(fd, block.data(), n) != static_cast<ssize_t>(n))
            Fail("write " + path);
        done += n;
    }
    ::close(fd);
}

int CountHeadersBeforePattern(const std::string &path, std::uint64_t size, std::uint64_t seed,
                              int maxHeaders)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    const auto total = static_cast<std::uint64_t>(info.st_size);
    if (total < size || (total - size) % kDefaultHeader.size() != 0)
        return -1;
    const auto headers = static_cast<int>((total - size) / kDefaultHeader.size());
    if (headers > maxHeaders)
        return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::string prefix(total - size, '\0');
    bool same = ::pread(fd, prefix.data(), prefix.size(), 0) == static_cast<ssize_t>(prefix.size());
    for (int i = 0; same && i < headers; ++i)
        same =
            prefix.compare(i * kDefaultHeader.size(), kDefaultHeader.size(), kDefaultHeader) == 0;
    std::vector<char> expected(kBlock), actual(kBlock);
    for (std::uint64_t done = 0; same && done < size;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - done));
        FillPattern(done, n, seed, expected.data());
        same = ::pread(fd, actual.data(), n, static_cast<off_t>(prefix.size() + done)) ==
                   static_cast<ssize_t>(n) &&
               std::memcmp(expected.data(), actual.data(), n) == 0;
        done += n;
    }
    ::close(fd);
    return same ? headers : -1;
}

bool HoldsHeadersAndPattern(const std::string &path, int headers, std::uint64_t size,
                            std::uint64_t seed)
{
    return CountHeadersBeforePattern(path, size, seed, headers) == headers;
}

std::map<std::string, std::string> Snapshot(const std::string &dir)
{
    std::map<std::string, std::string> entries;
    for (const std::string &name : ListFolder(dir)) {
        const std::string path = dir + "/" + name;
        struct stat info
        {
        };
        if (::lstat(path.c_str(), &info) != 0)
            Fail("lstat " + path);
        std::string text = std::to_string(info.st_mode) + " " + std::to_string(info.st_uid) + ":" +
                           std::to_string(info.st_gid) + " " + std::to_string(info.st_size) +
                           " ino " + std::to_string(info.st_ino);
        if (S_ISREG(info.st_mode))
            text += " digest " + std::to_string(Digest(path));
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
            text += " -> " + std::string(target, n > 0 ? static_cast<std::size_t>(n) : 0);
        }
        if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
            text += " device " + std::to_string(info.st_rdev);
        entries[name] = text;
    }
    return entries;
}

std::uint64_t FileSize(const std::string &path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        Fail("stat " + path);
    return static_cast<std::uint64_t>(info.st_size);
}

} // namespace mrfyc::test
