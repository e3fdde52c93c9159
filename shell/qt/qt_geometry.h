// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"

#include <QPoint>
#include <QRect>
#include <QSize>

namespace mrfyc {

// Between the rules' plain geometry and Qt's.
inline QPoint ToQt(const Point &point)
{
    return QPoint(point.X, point.Y);
}

inline QSize ToQt(const Size &size)
{
    return QSize(size.Width, size.Height);
}

inline QRect ToQt(const Rect &rect)
{
    return QRect(rect.Left, rect.Top, rect.Width, rect.Height);
}

inline Size FromQt(const QSize &size)
{
    return Size{size.width(), size.height()};
}

inline Rect FromQt(const QRect &rect)
{
    return Rect{rect.x(), rect.y(), rect.width(), rect.height()};
}

} // namespace mrfyc
