// SPDX-License-Identifier: MIT
// mrfyc-patch on Linux.
#include "tools/tool_main.h"

#include <csignal>

int main(int argc, char **argv)
{
    // A file size limit then fails the write, which is reported, instead of killing the run.
    std::signal(SIGXFSZ, SIG_IGN);
    return mrfyc::PatchToolMain(
        [argc, argv] { return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc); });
}
