// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace mrfyc {

// The four numbers the user controls; the defaults are what the window's fields start with.
struct THeaderSettings
{
    std::int32_t ImageWidth = 900;
    std::int32_t ImageHeight = 1200;
    std::int32_t LineCount = 6000;
    std::int32_t Quality = 1;
};

// The seven CR LF terminated key=value lines written in front of a log.
std::string BuildHeaderText(const THeaderSettings &settings);

} // namespace mrfyc
