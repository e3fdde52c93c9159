// SPDX-License-Identifier: MIT
#include "files/program_directory.h"

#include "files/win32/module_directory.h"

namespace mrfyc {

std::string ProgramDirectory()
{
    return win32::ModuleDirectory(nullptr);
}

} // namespace mrfyc
