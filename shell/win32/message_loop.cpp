// SPDX-License-Identifier: MIT
#include "shell/win32/message_loop.h"

#include "shell/win32/error_report.h"

namespace mrfyc {

namespace {

bool IsKeyMessage(UINT message)
{
    return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

bool PreTranslate(MSG &message)
{
    if (!IsKeyMessage(message.message) || !message.hwnd)
        return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (!root)
        return false;
    if (SendMessageW(root, KeyPreviewMessage(), 0, reinterpret_cast<LPARAM>(&message)) != 0)
        return true;
    if ((GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) == 0)
        return false;
    return IsDialogMessageW(root, &message) != FALSE;
}

} // namespace

UINT KeyPreviewMessage()
{
    static const UINT message = RegisterWindowMessageW(L"mrfyc.KeyPreview");
    return message;
}

bool RunMessageLoop(const std::function<bool()> &finished)
{
    MSG message{};
    while (!finished()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 0);
            return false;
        }
        bool taken = false;
        RunCommand([&] { taken = PreTranslate(message); });
        if (!taken) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

} // namespace mrfyc
