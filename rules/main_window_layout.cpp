// SPDX-License-Identifier: MIT
#include "rules/main_window_layout.h"

#include "rules/layout_scaling.h"

namespace mrfyc {

Rect ScaledPlace(const Rect &designBounds, int textHeight, int designTextHeight)
{
    if (textHeight == designTextHeight || designTextHeight <= 0)
        return designBounds;
    return ScaleByEdges(designBounds, textHeight, designTextHeight);
}

std::size_t NextTabStop(std::size_t index, bool backward)
{
    const std::size_t count = kTabStops.size();
    if (index >= count)
        return 0;
    return backward ? (index + count - 1) % count : (index + 1) % count;
}

} // namespace mrfyc
