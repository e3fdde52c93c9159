// SPDX-License-Identifier: MIT
#include "shell/qt/notice.h"

#include "shell/beep.h"
#include "shell/qt/application.h"
#include "shell/qt/message_dialog.h"
#include "shell/qt/test_seams.h"

namespace mrfyc {

TestSeam<void(const QString &text)> &NoticeSeam()
{
    static TestSeam<void(const QString &text)> seam;
    return seam;
}

void ShowNotice(const QString &text)
{
    Beep(BeepKind::Notice);
    if (NoticeSeam()) {
        NoticeSeam()(text);
        return;
    }
    ShowMessageDialog(text, ApplicationTitle());
}

void ShowNoticeBytes(const std::string &text)
{
    ShowNotice(QString::fromLocal8Bit(text));
}

} // namespace mrfyc
