// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"

#include <string_view>

namespace mrfyc {

// n * number / d rounded to the nearest integer, an exact half away from zero; -1 when d is 0.
int MulDiv(int number, int numerator, int denominator);

// The string whose letters' average width is the font's base width, and the dialog's one button
// caption, whose measured width takes kCaptionPadding more.
inline constexpr std::string_view kBaseString =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr std::string_view kOkCaption = "OK";
inline constexpr int kCaptionPadding = 8;

// The base width from the measured width of kBaseString: the remainder is dropped.
constexpr int BaseWidth(int baseStringWidth)
{
    return baseStringWidth / static_cast<int>(kBaseString.size());
}

// What the message dialog's layout is computed from: the font's base values, the measured text
// and the cached width of the button caption.
struct MessageMetrics
{
    int ax = 0;           // BaseWidth
    int ay = 0;           // height of kBaseString
    Size text;            // the text laid out with word wrap at half the screen width
    int captionWidth = 0; // the button caption's width plus kCaptionPadding
};

struct MessageLayout
{
    int horizontalMargin = 0;
    int verticalMargin = 0;
    int verticalSpacing = 0;
    int minimumButtonWidth = 0;
    int buttonHeight = 0;
    Size client;
    Rect label;
    Rect button;
};

MessageLayout LayOutMessage(const MessageMetrics &metrics);

// Top-left corner of a window of outer size `outer` centred on `monitor`, never left of or above
// the monitor.
Point CentredOn(const Rect &monitor, const Size &outer);

// Top-left corner of a dialog of size `dialog` centred across and one third down `monitor`. A
// dialog larger than the monitor is not clamped: it starts left of or above the monitor.
Point CentredOneThirdDown(const Rect &monitor, const Size &dialog);

} // namespace mrfyc
