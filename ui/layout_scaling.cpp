// SPDX-License-Identifier: MIT
#include "ui/layout_scaling.h"

#include "shell/message_layout.h"

#include <QWidget>

namespace mrfyc {

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
