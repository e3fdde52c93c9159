// SPDX-License-Identifier: MIT
#include "rules/put_command.h"

namespace mrfyc {

void RunPutCommand(const std::string &logPath, const PutCommandParts &parts)
{
    if (logPath.empty()) {
        parts.ShowNotice(NoticeText(PatchOutcome::NoFileChosen));
        return;
    }
    const THeaderSettings settings = parts.ReadFields();
    parts.ShowNotice(NoticeText(parts.Patch(logPath, settings)));
}

} // namespace mrfyc
