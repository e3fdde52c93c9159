// SPDX-License-Identifier: MIT
#include "rules/header_settings.h"

namespace mrfyc {

std::string BuildHeaderText(const THeaderSettings &settings)
{
    const auto line = [](std::string_view key, std::int32_t value) {
        std::string text(key);
        text += std::to_string(value); // "%d": sign only when negative, no padding, no grouping
        text += "\r\n";
        return text;
    };
    return "layer_count=2\r\n"
           "layer_max=2\r\n"
           "layer_last=2\r\n" +
           line("image_width=", settings.ImageWidth) + line("image_height=", settings.ImageHeight) +
           line("count_lines=", settings.LineCount) + line("quality=", settings.Quality);
}

} // namespace mrfyc
