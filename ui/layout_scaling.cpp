#include "ui/layout_scaling.h"

#include <QWidget>

#include <cstdint>
#include <cstdlib>

namespace mrfyc {

int MulDiv(int x, int y, int z)
{
    if (z == 0)
        return -1;
    const std::int64_t product = std::int64_t{x} * y;
    const std::int64_t magnitude =
        (std::abs(product) * 2 + std::abs(std::int64_t{z})) / (std::abs(std::int64_t{z}) * 2);
    return static_cast<int>((product < 0) != (z < 0) ? -magnitude : magnitude);
}

int ScaledFontHeight(int designFontHeight, int pixelsPerInch)
{
    return MulDiv(designFontHeight, pixelsPerInch, 96);
}

QRect ScaleByEdges(const QRect &bounds, int multiplier, int divisor)
{
    const int left = MulDiv(bounds.x(), multiplier, divisor);
    const int top = MulDiv(bounds.y(), multiplier, divisor);
    const int right = MulDiv(bounds.x() + bounds.width(), multiplier, divisor);
    const int bottom = MulDiv(bounds.y() + bounds.height(), multiplier, divisor);
    return QRect(left, top, right - left, bottom - top);
}

void ScaleChildren(QWidget *container, int multiplier, int divisor)
{
    const auto children = container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children)
        child->setGeometry(ScaleByEdges(child->geometry(), multiplier, divisor));
}

} // namespace mrfyc
