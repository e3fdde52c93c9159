// SPDX-License-Identifier: MIT
#pragma once

#include "rules/header_settings.h"
#include "rules/notice_function.h"
#include "rules/patch_outcome.h"

#include <functional>
#include <string>

namespace mrfyc {

// What OK's command needs of a window and of the file layer.
struct PutCommandParts
{
    // The four fields' values; read only once there is a log to patch.
    std::function<THeaderSettings()> ReadFields;
    // PatchLogFile with the program's folder.
    std::function<PatchOutcome(const std::string &logPath, const THeaderSettings &settings)> Patch;
    NoticeFunction ShowNotice;
};

// btnPut's command: without a chosen log the notice asks for one and nothing else happens;
// otherwise the four values are read, the log is patched and the notice tells the outcome. An
// error on the way goes on to the caller's report; the label, path and fields stay as they are.
void RunPutCommand(const std::string &logPath, const PutCommandParts &parts);

} // namespace mrfyc
