// SPDX-License-Identifier: MIT
#include "tools/header_check.h"

#include "tools/file_start.h"

#include <array>

namespace mrfyc {

namespace {

constexpr std::array<std::string_view, 7> kHeaderKeys{
    "layer_count=",  "layer_max=",   "layer_last=", "image_width=",
    "image_height=", "count_lines=", "quality="};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Consumes one "key=value\r\n" line from the front of bytes.
bool TakeLine(std::string_view &bytes, std::string_view key)
{
    if (!bytes.starts_with(key))
        return false;
    std::size_t at = key.size();
    if (at < bytes.size() && bytes[at] == '-')
        ++at;
    const std::size_t digitsStart = at;
    while (at < bytes.size() && IsDigit(bytes[at]))
        ++at;
    const std::size_t digits = at - digitsStart;
    if (digits == 0 || digits > 10 || bytes.substr(at, 2) != "\r\n")
        return false;
    bytes.remove_prefix(at + 2);
    return true;
}

} // namespace

bool BeginsWithHeader(std::string_view bytes)
{
    for (const std::string_view key : kHeaderKeys)
        if (!TakeLine(bytes, key))
            return false;
    return true;
}

bool FileBeginsWithHeader(const std::string &path)
{
    return BeginsWithHeader(ReadFileStart(path, kLongestHeader));
}

} // namespace mrfyc
