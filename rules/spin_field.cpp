// SPDX-License-Identifier: MIT
#include "rules/spin_field.h"

#include "rules/spin_text.h"

#include <algorithm>
#include <limits>

namespace mrfyc {

namespace {

constexpr char32_t kBackspace = 8;
constexpr char32_t kCarriageReturn = 13;

} // namespace

std::int32_t ClampSpinValue(std::int64_t value, SpinBounds bounds)
{
    if (bounds.MinValue == bounds.MaxValue) {
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max()));
    }
    if (value < bounds.MinValue)
        return bounds.MinValue;
    if (value > bounds.MaxValue)
        return bounds.MaxValue;
    return static_cast<std::int32_t>(value);
}

std::int32_t ReadSpinValue(std::string_view utf8, SpinBounds bounds)
{
    return ParseSpinText(utf8).value_or(bounds.MinValue);
}

std::string SpinValueText(std::int32_t value)
{
    return std::to_string(value);
}

std::int32_t SteppedSpinValue(std::string_view utf8, std::int32_t increment,
                              SpinDirection direction, SpinBounds bounds)
{
    const std::int64_t delta = direction == SpinDirection::Up
                                   ? static_cast<std::int64_t>(increment)
                                   : -static_cast<std::int64_t>(increment);
    return ClampSpinValue(static_cast<std::int64_t>(ReadSpinValue(utf8, bounds)) + delta, bounds);
}

std::optional<std::string> SpinExitText(std::string_view utf8, SpinBounds bounds)
{
    const std::int32_t value = ReadSpinValue(utf8, bounds);
    const std::int32_t bounded = ClampSpinValue(value, bounds);
    if (bounded == value)
        return std::nullopt;
    return SpinValueText(bounded);
}

bool SpinAcceptsChar(char32_t character, bool editorEnabled, char32_t decimalSeparator)
{
    if (character < 32)
        return character != kCarriageReturn && (editorEnabled || character != kBackspace);
    if (!editorEnabled)
        return false;
    return (character >= U'0' && character <= U'9') || character == U'+' || character == U'-' ||
           character == decimalSeparator;
}

bool SpinMayEditText(bool editorEnabled, bool readOnly)
{
    return editorEnabled && !readOnly;
}

std::string_view SpinPasteText(std::string_view utf8)
{
    return utf8.substr(0, std::min(utf8.find_first_of("\r\n"), utf8.size()));
}

} // namespace mrfyc
