// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"

namespace mrfyc {

// n * number / d rounded to the nearest integer, an exact half away from zero; -1 when d is 0.
int MulDiv(int number, int numerator, int denominator);

// What the message dialog's layout is computed from: the font's base values, the measured text
// and the cached width of the button caption.
struct MessageMetrics
{
    int ax = 0;           // width of "A".."Z" "a".."z" divided by 52, remainder dropped
    int ay = 0;           // height of the same string
    Size text;            // the text laid out with word wrap at half the screen width
    int captionWidth = 0; // the button caption's width plus 8
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
