// SPDX-License-Identifier: MIT
#include "shell/win32/notice.h"

#include "files/win32/wide_text.h"
#include "shell/beep.h"
#include "shell/win32/application.h"
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
    ShowMessageDialog(win32::ToWideShown(text), ApplicationTitle());
}

} // namespace mrfyc
