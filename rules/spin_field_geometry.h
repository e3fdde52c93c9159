// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"

namespace mrfyc {

// The arrow pair's width in a field at 96 pixels per inch, also the narrowest a pair may be.
inline constexpr int kSpinPairWidth = 15;
// The pair's height until its field places it.
inline constexpr int kSpinPairStartHeight = 17;

// The pair's width on a screen of pixelsPerInch.
int SpinPairWidth(int pixelsPerInch);

// The two arrows of a pair of the given size: the up arrow above the down arrow, sharing one
// pixel row, the lower one taking the odd pixel.
struct ArrowPlaces
{
    Rect Up;
    Rect Down;
};
ArrowPlaces PlaceArrows(Size pair);

// Heights from the font's text height (the system font's too) and the border's thickness: the
// least a field may be, and the height it takes with AutoSize (framed or not).
int SpinFieldMinimumHeight(int textHeight, int systemTextHeight, int border);
int SpinFieldAutoSizeHeight(int textHeight, int border, bool framed);

// The pair inside a field of the given outer size, in the field's client coordinates, and the
// right end of the text area left of it.
struct SpinPairPlace
{
    Rect Pair;
    int TextRight = 0;
};
SpinPairPlace PlaceSpinPair(Size field, int clientWidth, int pairWidth, bool framed);

} // namespace mrfyc
