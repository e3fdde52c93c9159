// SPDX-License-Identifier: MIT
#include "ui/win32/arrow_glyph.h"

#include "shell/win32/gdi_owners.h"

namespace mrfyc {

bool IsArrowPixel(ArrowDirection direction, int x, int y)
{
    if (x < 0 || x >= kArrowGlyphWidth || y < 0 || y >= kArrowGlyphHeight)
        return false;
    // Rows 1 to 4 of the up arrow widen by one pixel on each side from column 4.
    const int row = direction == ArrowDirection::Up ? y : kArrowGlyphHeight - 1 - y;
    if (row < 1 || row > 4)
        return false;
    const int halfWidth = row - 1;
    return x >= 4 - halfWidth && x <= 4 + halfWidth;
}

void DrawArrowGlyph(HDC dc, int left, int top, ArrowDirection direction, COLORREF colour)
{
    const OwnedBrush brush(CreateSolidBrush(colour));
    for (int y = 0; y < kArrowGlyphHeight; ++y) {
        int x = 0;
        while (x < kArrowGlyphWidth) {
            if (!IsArrowPixel(direction, x, y)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < kArrowGlyphWidth && IsArrowPixel(direction, x, y))
                ++x;
            const RECT run{left + start, top + y, left + x, top + y + 1};
            FillRect(dc, &run, brush.Get());
        }
    }
}

} // namespace mrfyc
