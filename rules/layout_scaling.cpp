// SPDX-License-Identifier: MIT
#include "rules/layout_scaling.h"

#include "rules/message_layout.h"

namespace mrfyc {

int ScaledToScreen(int designLength, int pixelsPerInch)
{
    return MulDiv(designLength, pixelsPerInch, 96);
}

int ScaledFontHeight(int designFontHeight, int pixelsPerInch)
{
    return ScaledToScreen(designFontHeight, pixelsPerInch);
}

Rect ScaleByEdges(const Rect &bounds, int multiplier, int divisor)
{
    const int left = MulDiv(bounds.Left, multiplier, divisor);
    const int top = MulDiv(bounds.Top, multiplier, divisor);
    const int right = MulDiv(bounds.Left + bounds.Width, multiplier, divisor);
    const int bottom = MulDiv(bounds.Top + bounds.Height, multiplier, divisor);
    return Rect{left, top, right - left, bottom - top};
}

} // namespace mrfyc
