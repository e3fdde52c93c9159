// SPDX-License-Identifier: MIT
// The header text for any four 32-bit values: seven CR LF lines that read back to the same values
// and are recognised as a header.
#include "rules/header_settings.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::int32_t TakeInt(const std::uint8_t *&data, std::size_t &size)
{
    std::uint32_t bits = 0;
    const std::size_t n = size < sizeof bits ? size : sizeof bits;
    std::memcpy(&bits, data, n);
    data += n;
    size -= n;
    return static_cast<std::int32_t>(bits);
}

// The value after "key=", which must be a "%d" rendering of a 32-bit integer.
std::int32_t ReadValue(std::string_view line, std::string_view key)
{
    Require(line.substr(0, key.size()) == key);
    const std::string_view digits = line.substr(key.size());
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    Require(error == std::errc() && end == digits.data() + digits.size());
    char printed[16];
    std::snprintf(printed, sizeof printed, "%d", static_cast<int>(value));
    Require(digits == printed);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    mrfyc::THeaderSettings settings;
    settings.ImageWidth = TakeInt(data, size);
    settings.ImageHeight = TakeInt(data, size);
    settings.LineCount = TakeInt(data, size);
    settings.Quality = TakeInt(data, size);

    const std::string text = mrfyc::BuildHeaderText(settings);

    // Seven lines, each ended by CR LF and holding no other CR or LF.
    std::vector<std::string_view> lines;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find("\r\n");
        Require(end != std::string_view::npos);
        const std::string_view line = rest.substr(0, end);
        Require(line.find_first_of("\r\n") == std::string_view::npos);
        lines.push_back(line);
        rest.remove_prefix(end + 2);
    }
    Require(lines.size() == 7);
    Require(lines[0] == "layer_count=2");
    Require(lines[1] == "layer_max=2");
    Require(lines[2] == "layer_last=2");
    Require(ReadValue(lines[3], "image_width=") == settings.ImageWidth);
    Require(ReadValue(lines[4], "image_height=") == settings.ImageHeight);
    Require(ReadValue(lines[5], "count_lines=") == settings.LineCount);
    Require(ReadValue(lines[6], "quality=") == settings.Quality);
    // 99 bytes when every value has one digit, 139 with four times -2147483648.
    Require(text.size() >= 99 && text.size() <= 139);
    // and the reader takes it for a header.
    Require(mrfyc::BeginsWithHeader(text));
    return 0;
}
