// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace mrfyc {

// Shows text in the modal message dialog; 1 when closed by its OK button (mouse, Enter, Space,
// Esc), 2 when closed through the title bar or because the program is ending.
int ShowMessageDialog(const QString &text, const QString &caption);

} // namespace mrfyc
