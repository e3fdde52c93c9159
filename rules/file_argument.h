// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string_view>

namespace mrfyc {

// Which argument names the file that "mrfyc FILE" starts with: the first after the program's
// name that is no option. "--" ends the options, so a name that starts with "-" can follow it;
// a lone "-" is a name. For narrow (POSIX) and wide (Windows) arguments alike.
template <typename Char> std::optional<int> FileArgumentIndex(int argc, const Char *const *argv)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::basic_string_view<Char> argument = argv[i];
        if (!optionsEnded && argument.size() == 2 && argument[0] == '-' && argument[1] == '-') {
            optionsEnded = true;
            continue;
        }
        if (argument.empty() || (!optionsEnded && argument.size() > 1 && argument[0] == '-'))
            continue;
        return i;
    }
    return std::nullopt;
}

} // namespace mrfyc
