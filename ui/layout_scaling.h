// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

class QWidget;

namespace mrfyc {

// The font height (negative: character height without internal leading) for a screen of
// pixelsPerInch, from the height the layout was made with at 96.
int ScaledFontHeight(int designFontHeight, int pixelsPerInch);

// Scales a control by its edges, so that neighbours that touched still touch after rounding.
QRect ScaleByEdges(const QRect &bounds, int multiplier, int divisor);

// Scales every direct child widget of container by its edges.
void ScaleChildren(QWidget *container, int multiplier, int divisor);

} // namespace mrfyc
