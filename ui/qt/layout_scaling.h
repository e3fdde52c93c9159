// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

namespace mrfyc {

// Scales every direct child widget of container by its edges.
void ScaleChildren(QWidget *container, int multiplier, int divisor);

} // namespace mrfyc
