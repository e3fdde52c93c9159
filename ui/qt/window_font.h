// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

namespace mrfyc {

// The window font at a height in LOGFONT terms (negative: character height without leading).
QFont WindowFont(int fontHeight);

// The cell height of "0": what the layout calls its text height.
int TextHeight(const QFont &font);

} // namespace mrfyc
