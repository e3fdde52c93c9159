// SPDX-License-Identifier: MIT
#include "rules/full_stop.h"

namespace mrfyc {

std::string WithFullStop(std::string_view text, CodePage codePage)
{
    std::string shown(text);
    if (text.empty())
        return shown;
    const std::string_view last = text.substr(LastCharacterStart(text, codePage));
    if (last > std::string_view("."))
        shown += '.';
    return shown;
}

} // namespace mrfyc
