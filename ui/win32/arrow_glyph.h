// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"

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
inline constexpr int kArrowRows = 4;

// On a larger scale the triangle has more rows, each one pixel wider on each side than the one
// above, so that it stays as sharp as the bitmap; the glyph keeps one empty row above and below
// and one empty column each side.
Size ArrowGlyphSize(int rows);

// Whether the glyph's pixel at column x, row y (from the top left) belongs to the triangle.
bool IsArrowPixel(ArrowDirection direction, int x, int y, int rows = kArrowRows);

// Draws the triangle's pixels with its top left corner at left, top; the background stays.
void DrawArrowGlyph(HDC dc, int left, int top, ArrowDirection direction, COLORREF colour,
                    int rows = kArrowRows);

} // namespace mrfyc
