// SPDX-License-Identifier: MIT
// The spin field's text reader against a model built on the C library's number parsers.
#include "rules/spin_text.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

bool AllOf(std::string_view text, const char *allowed)
{
    return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
}

std::optional<std::int32_t> Model(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    char sign = 0;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        sign = text.front();
        text.remove_prefix(1);
    }
    std::string_view hex;
    if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X")
        hex = text.substr(2);
    else if (!text.empty() && (text.front() == '$' || text.front() == 'x' || text.front() == 'X'))
        hex = text.substr(1);
    else if (AllOf(text, "0123456789")) {
        // strtoll saturates beyond 64 bits and says so through errno.
        const std::string digits = std::string(sign == '-' ? "-" : "") + std::string(text);
        errno = 0;
        const long long value = std::strtoll(digits.c_str(), nullptr, 10);
        if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
            return std::nullopt;
        return static_cast<std::int32_t>(value);
    } else {
        return std::nullopt;
    }
    if (!AllOf(hex, "0123456789abcdefABCDEF"))
        return std::nullopt;
    const std::string digits(hex);
    errno = 0;
    const unsigned long long value = std::strtoull(digits.c_str(), nullptr, 16);
    if (errno == ERANGE || value > 0xFFFFFFFFull)
        return std::nullopt;
    // The 32-bit pattern; this reader's choice for a sign before it is to negate the pattern.
    std::uint32_t pattern = static_cast<std::uint32_t>(value);
    if (sign == '-')
        pattern = 0u - pattern;
    return static_cast<std::int32_t>(pattern);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::optional<std::int32_t> read = mrfyc::ParseSpinText(text);
    Require(read == Model(text));

    // Reading never depends on what follows the text in memory.
    const std::string copy(text);
    Require(mrfyc::ParseSpinText(copy) == read);
    // A trailing space always spoils the text.
    Require(!mrfyc::ParseSpinText(copy + " ").has_value());
    return 0;
}
