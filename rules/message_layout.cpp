// SPDX-License-Identifier: MIT
#include "rules/message_layout.h"

#include <algorithm>
#include <cstdint>

namespace mrfyc {

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const std::int64_t product = std::int64_t{number} * numerator;
    const std::int64_t divisor = denominator;
    const std::int64_t absProduct = product < 0 ? -product : product;
    const std::int64_t absDivisor = divisor < 0 ? -divisor : divisor;
    // Adding half the divisor before dividing rounds an exact half away from zero.
    const std::int64_t magnitude = (2 * absProduct + absDivisor) / (2 * absDivisor);
    const bool negative = (product < 0) != (divisor < 0);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

MessageLayout LayOutMessage(const MessageMetrics &metrics)
{
    MessageLayout layout;
    layout.horizontalMargin = MulDiv(8, metrics.ax, 4);
    layout.verticalMargin = MulDiv(8, metrics.ay, 8);
    layout.verticalSpacing = MulDiv(10, metrics.ay, 8);
    layout.minimumButtonWidth = MulDiv(50, metrics.ax, 4);
    layout.buttonHeight = MulDiv(14, metrics.ay, 8);

    const int buttonWidth = std::max(layout.minimumButtonWidth, metrics.captionWidth);
    const int textWidth = metrics.text.Width;
    const int textHeight = metrics.text.Height;

    layout.client =
        Size{std::max(textWidth, buttonWidth) + 2 * layout.horizontalMargin,
             textHeight + layout.buttonHeight + layout.verticalSpacing + 2 * layout.verticalMargin};
    layout.label = Rect{layout.horizontalMargin, layout.verticalMargin, textWidth, textHeight};
    layout.button = Rect{(layout.client.Width - buttonWidth) / 2,
                         textHeight + layout.verticalMargin + layout.verticalSpacing, buttonWidth,
                         layout.buttonHeight};
    return layout;
}

Point CentredOn(const Rect &monitor, const Size &outer)
{
    const int left = monitor.Left + (monitor.Width - outer.Width) / 2;
    const int top = monitor.Top + (monitor.Height - outer.Height) / 2;
    return Point{std::max(left, monitor.Left), std::max(top, monitor.Top)};
}

Point CentredOneThirdDown(const Rect &monitor, const Size &dialog)
{
    return Point{monitor.Left + (monitor.Width - dialog.Width) / 2,
                 monitor.Top + (monitor.Height - dialog.Height) / 3};
}

} // namespace mrfyc
