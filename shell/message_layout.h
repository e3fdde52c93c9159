// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace mrfyc {

// n * number / d rounded to the nearest integer, an exact half away from zero; -1 when d is 0.
int MulDiv(int number, int numerator, int denominator);

// What the message dialog's layout is computed from: the font's base values, the measured text
// and the cached width of the button caption.
struct MessageMetrics
{
    int ax = 0;           // width of "A".."Z" "a".."z" divided by 52, remainder dropped
    int ay = 0;           // height of the same string
    QSize text;           // the text laid out with word wrap at half the screen width
    int captionWidth = 0; // the button caption's width plus 8
};

struct MessageLayout
{
    int horizontalMargin = 0;
    int verticalMargin = 0;
    int verticalSpacing = 0;
    int minimumButtonWidth = 0;
    int buttonHeight = 0;
    QSize client;
    QRect label;
    QRect button;
};

MessageLayout LayOutMessage(const MessageMetrics &metrics);

// Top-left corner of a window of outer size `outer` centred on `monitor`, never left of or above
// the monitor.
QPoint CentredOn(const QRect &monitor, const QSize &outer);

} // namespace mrfyc
