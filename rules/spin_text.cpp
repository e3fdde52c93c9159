// SPDX-License-Identifier: MIT
#include "rules/spin_text.h"

namespace mrfyc {

namespace {

int DigitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value;
}

// The digits up to the end of text, or nothing when there are none, another character follows or
// the magnitude exceeds limit. Leading zeros are allowed.
std::optional<std::uint64_t> ReadDigits(std::string_view text, int base, std::uint64_t limit)
{
    if (text.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    for (char c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        // limit is below 2^33, so this never overflows 64 bits.
        magnitude =
            magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (magnitude > limit)
            return std::nullopt;
    }
    return magnitude;
}

// Length of the hexadecimal prefix at the start of text, 0 when there is none.
std::size_t HexPrefixLength(std::string_view text)
{
    if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X'))
        return 1;
    if (text.starts_with("0x") || text.starts_with("0X"))
        return 2;
    return 0;
}

} // namespace

std::optional<std::int32_t> ParseSpinText(std::string_view utf8)
{
    std::string_view rest = utf8;
    while (rest.starts_with(' '))
        rest.remove_prefix(1);
    bool negative = false;
    if (rest.starts_with('+') || rest.starts_with('-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }

    if (const std::size_t prefix = HexPrefixLength(rest); prefix != 0) {
        const auto pattern = ReadDigits(rest.substr(prefix), 16, 0xFFFFFFFFu);
        if (!pattern)
            return std::nullopt;
        // The pattern is the 32-bit two's complement value; negation wraps in 32 bits.
        const std::uint32_t bits = static_cast<std::uint32_t>(*pattern);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }

    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    const auto magnitude = ReadDigits(rest, 10, limit);
    if (!magnitude)
        return std::nullopt;
    const std::int64_t value =
        negative ? -static_cast<std::int64_t>(*magnitude) : static_cast<std::int64_t>(*magnitude);
    return static_cast<std::int32_t>(value);
}

} // namespace mrfyc
