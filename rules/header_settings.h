// SPDX-License-Identifier: MIT
#pragma once

#include "rules/header_fields.h"

#include <cstdint>
#include <string>

namespace mrfyc {

// The four numbers the user controls; the defaults are what the window's fields start with.
struct THeaderSettings
{
    std::int32_t ImageWidth = kHeaderFields[kImageWidthField].Default;
    std::int32_t ImageHeight = kHeaderFields[kImageHeightField].Default;
    std::int32_t LineCount = kHeaderFields[kLineCountField].Default;
    std::int32_t Quality = kHeaderFields[kQualityField].Default;

    // The value of kHeaderFields[field].
    std::int32_t &Field(HeaderFieldIndex field);
    std::int32_t Field(HeaderFieldIndex field) const;
};

// The seven CR LF terminated key=value lines written in front of a log.
std::string BuildHeaderText(const THeaderSettings &settings);

} // namespace mrfyc
