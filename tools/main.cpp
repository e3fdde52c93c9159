#include "core/log_patch.h"
#include "tools/patch_tool.h"

#include <csignal>
#include <iostream>

int main(int argc, char **argv)
{
    // A file size limit then fails the write, which is reported, instead of killing the run.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return mrfyc::RunPatchTool(arguments, mrfyc::ProgramDirectory(), std::cout, std::cerr);
}
