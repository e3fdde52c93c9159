// SPDX-License-Identifier: MIT
#pragma once

#include "rules/code_page.h"
#include "rules/main_window_layout.h"
#include "rules/notice_function.h"

#include <array>
#include <string>
#include <string_view>

namespace mrfyc {

// The open dialog's one filter: its description and the patterns of the extensions below.
inline constexpr std::string_view kLogFileFilterName = "ミルフィログファイル";
inline constexpr std::array<std::string_view, 2> kLogFilePatterns{"*.tmp", "*.mrfy"};

// Exactly ".mrfy" or ".tmp", case counts.
bool IsAcceptedLogExtension(std::string_view path, CodePage codePage = NativeCodePage(),
                            PathFlavour flavour = NativePathFlavour());

// Owns the current log path and the text of the file label, and applies the open and drop rules
// that change them. One instance lives from start-up to exit.
class LogFileSelection
{
public:
    const std::string &CurrentLogPath() const { return m_currentLogPath; }
    const std::string &LabelText() const { return m_labelText; }

    // A path confirmed in the open dialog: taken as it is, label kFileLabelCaption + path.
    void ApplyOpenRule(const std::string &picked);
    // A dropped path: accepted (label shows it alone, returns true) or refused with the notice
    // "非対応の形式です" and nothing changed (returns false).
    bool ApplyDropRule(const std::string &dropped, const NoticeFunction &showNotice);

private:
    std::string m_currentLogPath;
    std::string m_labelText{kFileLabelCaption};
};

} // namespace mrfyc
