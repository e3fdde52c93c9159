// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
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

// Whether anything but blanks follows the program's name on a Windows command line, whose name
// CommandLineToArgvW ends at the closing quote when it starts with one, else at the first blank or
// tab. When nothing does, there is no file argument and no need to split the line.
inline bool CommandLineHasArguments(std::wstring_view commandLine)
{
    std::size_t end = 0;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        end = commandLine.find(L'"', 1);
        if (end == std::wstring_view::npos)
            return false;
        ++end;
    } else {
        end = std::min(commandLine.find_first_of(L" \t"), commandLine.size());
    }
    return commandLine.find_first_not_of(L" \t", end) != std::wstring_view::npos;
}

} // namespace mrfyc
