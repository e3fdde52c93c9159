// SPDX-License-Identifier: MIT
#include "shell/win32/notice.h"

#include "shell/beep.h"
#include "shell/win32/application.h"
#include "shell/win32/display_text.h"
#include "shell/win32/message_dialog.h"
#include "shell/win32/test_seams.h"

namespace mrfyc {

TestSeam<void(const std::string &text)> &NoticeSeam()
{
    static TestSeam<void(const std::string &text)> seam;
    return seam;
}

void ShowNotice(const std::string &text)
{
    Beep(BeepKind::Notice);
    if (NoticeSeam()) {
        NoticeSeam()(text);
        return;
    }
    ShowMessageDialog(ToDisplayText(text), ApplicationTitle());
}

} // namespace mrfyc
