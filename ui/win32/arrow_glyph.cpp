// SPDX-License-Identifier: MIT
#include "ui/win32/arrow_glyph.h"

#include "shell/win32/gdi_owners.h"

namespace mrfyc {

Size ArrowGlyphSize(int rows)
{
    return {2 * rows + 1, rows + 2};
}

bool IsArrowPixel(ArrowDirection direction, int x, int y, int rows)
{
    const Size glyph = ArrowGlyphSize(rows);
    if (x < 0 || x >= glyph.Width || y < 0 || y >= glyph.Height)
        return false;
    // Rows 1 to `rows` of the up arrow widen by one pixel on each side from the middle column.
    const int row = direction == ArrowDirection::Up ? y : glyph.Height - 1 - y;
    if (row < 1 || row > rows)
        return false;
    const int halfWidth = row - 1;
    return x >= rows - halfWidth && x <= rows + halfWidth;
}

void DrawArrowGlyph(HDC dc, int left, int top, ArrowDirection direction, COLORREF colour, int rows)
{
    const Size glyph = ArrowGlyphSize(rows);
    const OwnedBrush brush(CreateSolidBrush(colour));
    for (int y = 0; y < glyph.Height; ++y) {
        int x = 0;
        while (x < glyph.Width) {
            if (!IsArrowPixel(direction, x, y, rows)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < glyph.Width && IsArrowPixel(direction, x, y, rows))
                ++x;
            const RECT run{left + start, top + y, left + x, top + y + 1};
            FillRect(dc, &run, brush.Get());
        }
    }
}

} // namespace mrfyc
