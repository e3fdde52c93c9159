// SPDX-License-Identifier: MIT
#include "ui/qt/layout_scaling.h"

#include "rules/layout_scaling.h"
#include "shell/qt/qt_geometry.h"

#include <QWidget>

namespace mrfyc {

void ScaleChildren(QWidget *container, int multiplier, int divisor)
{
    const auto children = container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children)
        child->setGeometry(ToQt(ScaleByEdges(FromQt(child->geometry()), multiplier, divisor)));
}

} // namespace mrfyc
