// SPDX-License-Identifier: MIT
#include "rules/spin_field_geometry.h"

#include "rules/layout_scaling.h"

#include <algorithm>

namespace mrfyc {

int SpinPairWidth(int pixelsPerInch)
{
    return ScaledToScreen(kSpinPairWidth, pixelsPerInch);
}

ArrowPlaces PlaceArrows(Size pair)
{
    const int upper = pair.Height / 2;
    return {{0, 0, pair.Width, upper}, {0, upper - 1, pair.Width, pair.Height - upper + 1}};
}

int SpinFieldMinimumHeight(int textHeight, int systemTextHeight, int border)
{
    return textHeight + std::min(textHeight, systemTextHeight) / 4 + 4 * border + 2;
}

int SpinFieldAutoSizeHeight(int textHeight, int border, bool framed)
{
    return textHeight + (framed ? 8 : 6) * border;
}

SpinPairPlace PlaceSpinPair(Size field, int clientWidth, int pairWidth, bool framed)
{
    const int width = std::max(pairWidth, kSpinPairWidth);
    // The text area ends two pixels short of the client width less the pair.
    const int textRight = clientWidth - width - 2;
    if (framed)
        return {{field.Width - width - 5, 0, width, field.Height - 5}, textRight};
    return {{field.Width - width, 1, width, field.Height - 3}, textRight};
}

} // namespace mrfyc
