// SPDX-License-Identifier: MIT
#include "rules/main_window_layout.h"

#include "rules/layout_scaling.h"

namespace mrfyc {

ScaledMainWindow MainWindowAt(int pixelsPerInch)
{
    const auto scaled = [pixelsPerInch](int length) {
        return ScaledToScreen(length, pixelsPerInch);
    };
    ScaledMainWindow window;
    // Place and size each in proportion: the size must not depend on where the window stands.
    const Rect &outer = kMainWindowOuter;
    window.Outer = {scaled(outer.Left), scaled(outer.Top), scaled(outer.Width),
                    scaled(outer.Height)};
    window.FontHeight = ScaledFontHeight(kDesignFontHeight, pixelsPerInch);
    for (std::size_t index = 0; index < kTabStops.size(); ++index)
        window.TabStops[index] =
            ScaleByEdges(kTabStops[index].Bounds, pixelsPerInch, kDesignPixelsPerInch);
    for (std::size_t index = 0; index < kLabels.size(); ++index)
        window.Labels[index] =
            ScaleByEdges(kLabels[index].Bounds, pixelsPerInch, kDesignPixelsPerInch);
    return window;
}

std::size_t NextTabStop(std::size_t index, bool backward)
{
    const std::size_t count = kTabStops.size();
    if (index >= count)
        return 0;
    return backward ? (index + count - 1) % count : (index + 1) % count;
}

} // namespace mrfyc
