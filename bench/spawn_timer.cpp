// SPDX-License-Identifier: MIT
// Times commands from spawn to exit with no shell in between: "spawn_timer A ARGS... [; B ARGS...]"
// runs A, then B, ... and prints the microseconds they took together and the largest peak
// resident size among them (KiB). Exits 1 when a command fails.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

extern char **environ;

namespace {

// Runs one command with its standard output discarded (this program's own output is the
// figures); its peak resident size in KiB, or -1 when it could not run or failed.
long RunOne(std::vector<char *> &argv)
{
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    struct rusage usage = {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    const auto start = std::chrono::steady_clock::now();
    long peak = 0;
    std::vector<char *> command;
    for (int i = 1; i <= argc; ++i) {
        if (i < argc && std::strcmp(argv[i], ";") != 0) {
            command.push_back(argv[i]);
            continue;
        }
        if (command.empty())
            continue;
        const long kib = RunOne(command);
        if (kib < 0) {
            std::fprintf(stderr, "spawn_timer: %s failed\n", command[0]);
            return 1;
        }
        peak = kib > peak ? kib : peak;
        command.clear();
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%lld %ld\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()),
                peak);
    return 0;
}
