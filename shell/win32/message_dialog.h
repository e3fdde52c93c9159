// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace mrfyc {

// Shows text in the modal message dialog with the program's other windows disabled; 1 when closed
// by its OK button (mouse, Enter, Space, Esc), 2 when closed through the title bar or because the
// program is ending (a quit request, which is left for the loops outside).
int ShowMessageDialog(const std::wstring &text, const std::wstring &caption);

} // namespace mrfyc
