// SPDX-License-Identifier: MIT
#pragma once

#include "tools/message_language.h"

#include <string>
#include <string_view>
#include <vector>

namespace mrfyc {

// What the patcher asks of the system beyond files, one implementation per platform.

// The system's own text for an error number (errno on POSIX, a Windows error code on Windows),
// in language where the system has it: one line, no line break or full stop at its end. An
// English text never comes out in another language; where the system has none in English, the
// number stands alone.
std::string SystemErrorText(int systemError, MessageLanguage language);

// The language to speak when none of the locale variables says one: English on POSIX (an unset
// locale is "C"), the user's display language on Windows.
MessageLanguage SystemMessageLanguage();

// The files one FILE argument names. POSIX shells expand patterns before the program starts,
// so there it is the argument itself. Windows hands them over as typed: "*" and "?" in the
// name's last part are matched against that folder, and the matches come in the order of the
// names (as NTFS lists them, whatever the file system); a pattern that matches nothing, or a
// name without them, stays as it is, so that the patch reports it as a file it cannot open.
std::vector<std::string> ExpandFileArgument(const std::string &argument);

// The end of a line as the standard streams write it: "\n", or "\r\n" on Windows.
std::string_view LineEnd() noexcept;

// Writes text to standard error without allocating; a refusal is ignored, since nothing else is
// left to tell it to.
void WriteToStandardError(std::string_view text) noexcept;

} // namespace mrfyc
