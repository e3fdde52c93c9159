// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mrfyc {

// What a numeric spin field does with its text, whatever toolkit draws it. The text is the
// field's only state; every number below is worked out from it when asked for.
struct SpinBounds
{
    std::int32_t MinValue = 0;
    std::int32_t MaxValue = 0;
};

enum class SpinDirection
{
    Up,
    Down
};

// Pulls value into MinValue..MaxValue, the lower bound tested first; with MinValue equal to
// MaxValue there are no bounds and only the 32-bit range applies (no wrap-around).
std::int32_t ClampSpinValue(std::int64_t value, SpinBounds bounds);

// The integer that the text spells, unbounded, or MinValue when it spells none.
std::int32_t ReadSpinValue(std::string_view utf8, SpinBounds bounds);

// The decimal text a field shows for a number: "-" for negatives, no "+", no leading zeros.
std::string SpinValueText(std::int32_t value);

// The number after one step from the text: its value plus or minus increment, summed in 64 bits
// and bounded, so that a bounded field never wraps around.
std::int32_t SteppedSpinValue(std::string_view utf8, std::int32_t increment,
                              SpinDirection direction, SpinBounds bounds);

// The text a field shows once the focus has left it: only a number outside the bounds is
// replaced (by the nearer bound); anything else stays as typed, so nothing is returned.
std::optional<std::string> SpinExitText(std::string_view utf8, SpinBounds bounds);

// Whether a typed character reaches the text. Digits, "+", "-", the decimal separator and the
// control characters below 32 except carriage return; without the editor only the control
// characters, and neither backspace nor carriage return among them.
bool SpinAcceptsChar(char32_t character, bool editorEnabled, char32_t decimalSeparator);

// Paste, cut and every other edit that is not typing happen only while the text may be edited.
bool SpinMayEditText(bool editorEnabled, bool readOnly);

// The part of the clipboard's text that a paste inserts: unfiltered, but only up to the first
// line break, since the field shows one line and a second one would hide in it unseen.
std::string_view SpinPasteText(std::string_view utf8);

} // namespace mrfyc
