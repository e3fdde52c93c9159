// SPDX-License-Identifier: MIT
#pragma once

#include "rules/header_fields.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

// The lines in front of the fields' own, the same in every header the patch writes.
struct FixedHeaderLine
{
    std::string_view Key;
    std::int32_t Value;
};
inline constexpr std::array<FixedHeaderLine, 3> kFixedHeaderLines{{
    {"layer_count", 2},
    {"layer_max", 2},
    {"layer_last", 2},
}};

// The keys of a header's lines in their order: the fixed lines', then the fields'.
inline constexpr std::array<std::string_view, kFixedHeaderLines.size() + kHeaderFields.size()>
    kHeaderKeys = [] {
        std::array<std::string_view, kFixedHeaderLines.size() + kHeaderFields.size()> keys{};
        std::size_t at = 0;
        for (const FixedHeaderLine &line : kFixedHeaderLines)
            keys[at++] = line.Key;
        for (const HeaderField &field : kHeaderFields)
            keys[at++] = field.Key;
        return keys;
    }();

// The widest value a header line holds: "%d" of a 32-bit number, "-2147483648".
inline constexpr std::size_t kLongestHeaderValue = 11;

// The most bytes a header can take: each key with "=", its widest value and CR LF.
inline constexpr std::size_t kLongestHeader = [] {
    std::size_t size = 0;
    for (const std::string_view key : kHeaderKeys)
        size += key.size() + 1 + kLongestHeaderValue + 2;
    return size;
}();

// The CR LF terminated key=value lines written in front of a log.
std::string BuildHeaderText(const THeaderSettings &settings);

// Whether bytes begin with a header as the patch writes it: the keys in their order, each followed
// by "=", a whole number ("%d": an optional "-" and 1 to 10 digits) and CR LF. The values may be
// any, so a header written with other settings counts too.
bool BeginsWithHeader(std::string_view bytes);

} // namespace mrfyc
