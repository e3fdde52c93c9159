// SPDX-License-Identifier: MIT
#include "rules/log_file_selection.h"

namespace mrfyc {

bool IsAcceptedLogExtension(std::string_view path, CodePage codePage, PathFlavour flavour)
{
    const std::string extension = ExtractFileExt(path, codePage, flavour);
    return extension == ".mrfy" || extension == ".tmp";
}

void LogFileSelection::ApplyOpenRule(const std::string &picked)
{
    m_currentLogPath = picked;
    // Replaces what the label showed: appending would run two paths together into a name that
    // exists nowhere.
    m_labelText = std::string(kFileLabelCaption) + picked;
}

bool LogFileSelection::ApplyDropRule(const std::string &dropped, const NoticeFunction &showNotice)
{
    if (!IsAcceptedLogExtension(dropped)) {
        showNotice(kNoticeUnsupported);
        return false;
    }
    m_currentLogPath = dropped;
    m_labelText = dropped;
    return true;
}

} // namespace mrfyc
