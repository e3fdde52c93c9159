// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace mrfyc {

// The main window's open-file dialog (GetOpenFileNameW with an Explorer-style hook): it lists the
// files of its filter, shows the last confirmed file in its name box and stands centred across
// and one third down the monitor of the program's active window.
class OpenFileDialog
{
public:
    // Test seam: answers in place of the user; nullopt cancels.
    using Answerer = std::function<std::optional<std::wstring>()>;

    const std::wstring &FileName() const { return m_fileName; }

    // Shows the dialog modally, owned by owner; reference is the window whose monitor it centres
    // on when none of the program's windows is active. True when the user confirmed a file,
    // which FileName then holds; false on cancel or failure, and then nothing changes.
    bool Execute(HWND owner, HWND reference);

    void SetAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }

private:
    std::wstring m_fileName;
    DWORD m_filterIndex = 1;
    Answerer m_answerer;
};

} // namespace mrfyc
