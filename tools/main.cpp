// SPDX-License-Identifier: MIT
#include "core/log_patch.h"
#include "tools/patch_tool.h"

#include <csignal>
#include <cstdlib>
#include <iostream>

int main(int argc, char **argv)
{
    // A file size limit then fails the write, which is reported, instead of killing the run.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const mrfyc::MessageLanguage language =
        mrfyc::ChooseMessageLanguage([](const char *name) { return std::getenv(name); });
    return mrfyc::RunPatchTool(arguments, mrfyc::ProgramDirectory(), language, std::cout,
                               std::cerr);
}
