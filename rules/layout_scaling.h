// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"

namespace mrfyc {

// A length of the layout made at 96 pixels per inch, on a screen of pixelsPerInch.
int ScaledToScreen(int designLength, int pixelsPerInch);

// The font height (negative: character height without internal leading) for a screen of
// pixelsPerInch, from the height the layout was made with at 96.
int ScaledFontHeight(int designFontHeight, int pixelsPerInch);

// Scales a control by its edges, so that neighbours that touched still touch after rounding.
Rect ScaleByEdges(const Rect &bounds, int multiplier, int divisor);

} // namespace mrfyc
