// SPDX-License-Identifier: MIT
#include "tools/tool_main.h"

#include "files/program_directory.h"
#include "files/rewrite_recovery.h"
#include "rules/errors.h"
#include "tools/patch_tool.h"
#include "tools/system.h"

#include <cstdlib>
#include <iostream>
#include <new>

namespace mrfyc {

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

// Written without allocating: there may be nothing left to allocate from.
int OutOfMemory()
{
    WriteToStandardError("mrfyc-patch: ");
    WriteToStandardError(kOutOfMemoryText);
    WriteToStandardError(".");
    WriteToStandardError(LineEnd());
    return kPatchToolSomeFailed;
}

} // namespace

int PatchToolMain(const std::function<std::vector<std::string>()> &arguments)
{
    reserve = std::malloc(kReserveSize);
    if (reserve == nullptr)
        return OutOfMemory();
    std::set_new_handler(ReleaseReserve);
    try {
        const MessageLanguage language = ChooseMessageLanguage(
            [](const char *name) { return std::getenv(name); }, SystemMessageLanguage());
        const std::string programDirectory = ProgramDirectory();
        // Before anything reads a log: --check must not take a half-moved one for a clean one.
        const RecoveryReport recovery = RecoverInterruptedRewrites(programDirectory);
        return RunPatchTool(arguments(), programDirectory, language, std::cout, std::cerr,
                            recovery);
    } catch (const std::bad_alloc &) {
        return OutOfMemory();
    }
}

} // namespace mrfyc
