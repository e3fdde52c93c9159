// SPDX-License-Identifier: MIT
#include "files/program_directory.h"
#include "rules/errors.h"
#include "tools/patch_tool.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string_view>
#include <unistd.h>

namespace {

// Memory held back from the start and given up at the first allocation that fails. Without it a
// failure can leave not even the few bytes that raising bad_alloc needs, and the run aborts
// instead of saying why it stopped.
constexpr std::size_t kReserveSize = 64 * 1024;
void *reserve = nullptr;

void ReleaseReserve()
{
    std::free(reserve);
    reserve = nullptr;
    // The next failure throws bad_alloc, now that there is room to throw it.
    std::set_new_handler(nullptr);
}

// Nothing more can be done when standard error refuses the text; the exit status still tells.
void WriteToStandardError(std::string_view text)
{
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
}

// Written without allocating: there may be nothing left to allocate from.
int OutOfMemory()
{
    WriteToStandardError("mrfyc-patch: ");
    WriteToStandardError(mrfyc::kOutOfMemoryText);
    WriteToStandardError(".\n");
    return mrfyc::kPatchToolSomeFailed;
}

} // namespace

int main(int argc, char **argv)
{
    reserve = std::malloc(kReserveSize);
    if (reserve == nullptr)
        return OutOfMemory();
    std::set_new_handler(ReleaseReserve);
    // A file size limit then fails the write, which is reported, instead of killing the run.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        const mrfyc::MessageLanguage language =
            mrfyc::ChooseMessageLanguage([](const char *name) { return std::getenv(name); });
        return mrfyc::RunPatchTool(arguments, mrfyc::ProgramDirectory(), language, std::cout,
                                   std::cerr);
    } catch (const std::bad_alloc &) {
        return OutOfMemory();
    }
}
