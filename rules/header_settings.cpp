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

namespace {

void AppendLine(std::string &text, std::string_view key, std::int32_t value)
{
    text += key;
    text += '=';
    // "%d": sign only when negative, no padding, no grouping
    text += std::to_string(value);
    text += "\r\n";
}

// A value's digits, without its sign.
constexpr std::size_t kMostDigits = kLongestHeaderValue - 1;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Consumes one "key=value\r\n" line from the front of bytes.
bool TakeLine(std::string_view &bytes, std::string_view key)
{
    if (!bytes.starts_with(key) || bytes.substr(key.size(), 1) != "=")
        return false;
    std::size_t at = key.size() + 1;
    if (at < bytes.size() && bytes[at] == '-')
        ++at;
    const std::size_t digitsStart = at;
    while (at < bytes.size() && IsDigit(bytes[at]))
        ++at;
    const std::size_t digits = at - digitsStart;
    if (digits == 0 || digits > kMostDigits || bytes.substr(at, 2) != "\r\n")
        return false;
    bytes.remove_prefix(at + 2);
    return true;
}

} // namespace

std::string BuildHeaderText(const THeaderSettings &settings)
{
    std::string text;
    for (const FixedHeaderLine &line : kFixedHeaderLines)
        AppendLine(text, line.Key, line.Value);
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index)
        AppendLine(text, kHeaderFields[index].Key,
                   settings.Field(static_cast<HeaderFieldIndex>(index)));
    return text;
}

bool BeginsWithHeader(std::string_view bytes)
{
    for (const std::string_view key : kHeaderKeys)
        if (!TakeLine(bytes, key))
            return false;
    return true;
}

} // namespace mrfyc
