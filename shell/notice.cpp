// SPDX-License-Identifier: MIT
#include "shell/notice.h"

#include "shell/application.h"
#include "shell/beep.h"
#include "shell/message_dialog.h"

namespace mrfyc {

namespace {

std::function<void(const QString &)> &Hook()
{
    static std::function<void(const QString &)> hook;
    return hook;
}

} // namespace

void ShowNotice(const QString &text)
{
    Beep(BeepKind::Notice);
    if (Hook()) {
        Hook()(text);
        return;
    }
    ShowMessageDialog(text, ApplicationTitle());
}

void ShowNoticeBytes(const std::string &text)
{
    ShowNotice(QString::fromLocal8Bit(text));
}

void SetNoticeHook(std::function<void(const QString &)> hook)
{
    Hook() = std::move(hook);
}

} // namespace mrfyc
