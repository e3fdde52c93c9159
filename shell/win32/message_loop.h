// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <functional>

namespace mrfyc {

// Takes the thread's messages and dispatches them until `finished` is true (checked after every
// message) or a quit request arrives. The quit request is put back for the loops outside, so that
// one PostQuitMessage ends every nested loop and then the program's own; false in that case.
//
// A key message is first offered to its top-level window: KeyPreviewMessage() is sent to it with
// the MSG as lParam and a non-zero answer takes the key; then a top-level window with the
// WS_EX_CONTROLPARENT style gets the dialog keys (Tab, Enter, Esc...) through IsDialogMessageW.
bool RunMessageLoop(const std::function<bool()> &finished);

// The registered message by which a top-level window previews the key messages meant for it or
// its controls (lParam: const MSG *); answer non-zero to take the key.
UINT KeyPreviewMessage();

} // namespace mrfyc
