// SPDX-License-Identifier: MIT
#include "rules/header_settings.h"

namespace mrfyc {

std::int32_t &THeaderSettings::Field(HeaderFieldIndex field)
{
    switch (field) {
    case kImageWidthField:
        return ImageWidth;
    case kImageHeightField:
        return ImageHeight;
    case kLineCountField:
        return LineCount;
    case kQualityField:
        break;
    }
    return Quality;
}

std::int32_t THeaderSettings::Field(HeaderFieldIndex field) const
{
    return const_cast<THeaderSettings &>(*this).Field(field);
}

std::string BuildHeaderText(const THeaderSettings &settings)
{
    std::string text = "layer_count=2\r\n"
                       "layer_max=2\r\n"
                       "layer_last=2\r\n";
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index) {
        const auto field = static_cast<HeaderFieldIndex>(index);
        text += kHeaderFields[index].Key;
        text += '=';
        // "%d": sign only when negative, no padding, no grouping
        text += std::to_string(settings.Field(field));
        text += "\r\n";
    }
    return text;
}

} // namespace mrfyc
