// SPDX-License-Identifier: MIT
#include "ui/win32/open_file_dialog.h"

#include "files/win32/wide_text.h"
#include "rules/log_file_selection.h"
#include "rules/message_layout.h"
#include "shell/win32/error_report.h"

#include <commdlg.h>

#include <algorithm>
#include <new>
#include <vector>

namespace mrfyc {

namespace {

// Room for any path the system can name, not only MAX_PATH: a longer one would make the dialog
// fail and the user's choice vanish without a word.
constexpr std::size_t kFileNameCapacity = 32768;

// The platform's filter list: the description, NUL, the patterns between ";", NUL, and a second
// NUL at the end.
std::wstring LogFileFilterList()
{
    std::wstring list = win32::ToWideShown(kLogFileFilterName);
    list.push_back(L'\0');
    for (const std::string_view pattern : kLogFilePatterns) {
        if (list.back() != L'\0')
            list.push_back(L';');
        list += win32::ToWideShown(pattern);
    }
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

Rect MonitorBounds(HWND window)
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return Rect{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right - info.rcMonitor.left,
                info.rcMonitor.bottom - info.rcMonitor.top};
}

void PlaceDialog(HWND dialog, HWND reference)
{
    RECT bounds;
    GetWindowRect(dialog, &bounds);
    const Point place = CentredOneThirdDown(
        MonitorBounds(reference), Size{bounds.right - bounds.left, bounds.bottom - bounds.top});
    SetWindowPos(dialog, nullptr, place.X, place.Y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT_PTR CALLBACK Hook(HWND child, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_NOTIFY)
        return 0;
    const auto *notice = reinterpret_cast<const OFNOTIFYW *>(lParam);
    if (notice->hdr.code == CDN_INITDONE) {
        const auto reference = reinterpret_cast<HWND>(notice->lpOFN->lCustData);
        // The hook's own dialog is an empty child; the window the user sees is its parent.
        RunCommand([&] { PlaceDialog(GetParent(child), reference); });
    }
    return 0;
}

// While the dialog runs, every other window of the program is disabled, and afterwards enabled
// and activated again as it was, also when the dialog fails.
class ModalFrame
{
public:
    ModalFrame() : m_active(GetActiveWindow())
    {
        EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(this));
    }
    ModalFrame(const ModalFrame &) = delete;
    ModalFrame &operator=(const ModalFrame &) = delete;
    ~ModalFrame()
    {
        for (HWND window : m_disabled)
            if (IsWindow(window))
                EnableWindow(window, TRUE);
        if (m_active && IsWindow(m_active))
            SetActiveWindow(m_active);
    }

    HWND Active() const { return m_active; }

private:
    static BOOL CALLBACK DisableOne(HWND window, LPARAM frame)
    {
        if (!IsWindowVisible(window) || !IsWindowEnabled(window))
            return TRUE;
        // Noted before it is disabled, so that no window stays disabled unnoted; no exception
        // may leave the callback.
        try {
            reinterpret_cast<ModalFrame *>(frame)->m_disabled.push_back(window);
        } catch (const std::bad_alloc &) {
            return FALSE;
        }
        EnableWindow(window, FALSE);
        return TRUE;
    }

    HWND m_active;
    std::vector<HWND> m_disabled;
};

} // namespace

bool OpenFileDialog::Execute(HWND owner, HWND reference)
{
    if (m_answerer) {
        std::optional<std::wstring> answer = m_answerer();
        if (!answer || answer->empty())
            return false;
        m_fileName = std::move(*answer);
        return true;
    }
    ModalFrame frame;
    const std::wstring filter = LogFileFilterList();
    std::vector<wchar_t> buffer(kFileNameCapacity, L'\0');
    std::copy_n(m_fileName.begin(), std::min(m_fileName.size(), kFileNameCapacity - 1),
                buffer.begin());

    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.hInstance = GetModuleHandleW(nullptr);
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = m_filterIndex;
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(buffer.size());
    request.lpstrInitialDir = L"";
    // No title of our own: the platform's default.
    request.Flags = OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
    request.lpfnHook = Hook;
    request.lCustData = reinterpret_cast<LPARAM>(frame.Active() ? frame.Active() : reference);
    if (!GetOpenFileNameW(&request))
        return false;
    m_fileName.assign(buffer.data());
    m_filterIndex = request.nFilterIndex;
    return !m_fileName.empty();
}

} // namespace mrfyc
