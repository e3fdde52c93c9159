// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace mrfyc {

// One of the four numbers the user controls, as every front end names and bounds it.
struct HeaderField
{
    std::string_view Control;         // the window's spin field
    std::string_view Key;             // the header line's key, without "="
    std::string_view Option;          // mrfyc-patch's option
    std::string_view Meaning;         // for help texts
    std::string_view JapaneseMeaning; // for help texts in Japanese
    std::int32_t Minimum;
    std::int32_t Maximum;
    std::int32_t Default;
};

// Indexes into kHeaderFields, which lists the fields in the header's order.
enum HeaderFieldIndex : std::size_t
{
    kImageWidthField,
    kImageHeightField,
    kLineCountField,
    kQualityField
};

// The one owner of the fields' names, ranges and defaults: the window's layout is checked
// against it, the header's defaults and the command-line patcher's options come from it.
inline constexpr std::array<HeaderField, 4> kHeaderFields{{
    {"UdW", "image_width", "--width", "image width", "画像の幅", 0, 65536, 900},
    {"UdH", "image_height", "--height", "image height", "画像の高さ", 0, 65536, 1200},
    {"Udl", "count_lines", "--lines", "line count", "ライン数", 0, 2147483647, 6000},
    {"UdQ", "quality", "--quality", "quality", "クオリティ", 1, 9, 1},
}};

} // namespace mrfyc
