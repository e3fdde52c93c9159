// SPDX-License-Identifier: MIT
#pragma once

#include "rules/header_settings.h"
#include "rules/notice_function.h"

#include <functional>
#include <string>

namespace mrfyc {

using SettingsReader = std::function<THeaderSettings()>;

// Writes the header to "Temp.txt" in programDirectory (which ends in a delimiter), reads it back,
// then replaces the log with header + old contents and tells "修正しました". With an empty path it
// only tells kNoticeNoFile and reads no setting. Failures throw the error kinds of core/errors.h
// and leave the log exactly as it was; only a rewrite in place (the log's folder not writable)
// that fails after its space was reserved can leave it partly shifted. A process that keeps a
// file size limit should ignore SIGXFSZ, so that the limit fails the write instead of killing.
void PatchLogFile(const std::string &currentLogPath, const SettingsReader &readSettings,
                  const std::string &programDirectory, const NoticeFunction &showNotice);

// The directory of the running executable, with its trailing "/"; empty when the system cannot
// say, and a patch then fails with the scratch file's create error.
std::string ProgramDirectory();

} // namespace mrfyc
