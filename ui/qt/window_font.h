// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

namespace mrfyc {

// The window font at a height in LOGFONT terms (negative: character height without leading).
QFont WindowFont(int fontHeight);

// The menu bar's font: the platform's menu font when it has Japanese, for the menu's caption is
// Japanese; otherwise the window's face at the menu font's size.
QFont MenuBarFont(const QFont &platformMenuFont);

// The cell height of "0": what the layout calls its text height.
int TextHeight(const QFont &font);

} // namespace mrfyc
