// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

namespace mrfyc {

enum class ArrowDirection
{
    Up,
    Down
};

// The arrow bitmaps are 9 x 6 pixels: a triangle four rows high on a background that is drawn
// transparent, the up arrow's point in row 1, the down arrow the same picture upside down.
inline constexpr int kArrowGlyphWidth = 9;
inline constexpr int kArrowGlyphHeight = 6;

// Whether the glyph's pixel at column x, row y (from the top left) belongs to the triangle.
bool IsArrowPixel(ArrowDirection direction, int x, int y);

// Draws the triangle's pixels with its top left corner at left, top; the background stays.
void DrawArrowGlyph(HDC dc, int left, int top, ArrowDirection direction, COLORREF colour);

} // namespace mrfyc
