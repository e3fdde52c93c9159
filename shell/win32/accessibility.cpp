// SPDX-License-Identifier: MIT
#include "shell/win32/accessibility.h"

namespace mrfyc {

Accessibility::~Accessibility()
{
    if (m_object) {
        m_object->Disconnect();
        m_object->Release();
    }
}

std::optional<LRESULT> Accessibility::Answer(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT))
        return std::nullopt;
    if (!m_object) {
        // The object goes to the asking process through COM, on this (the window's) thread.
        static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        (void)com;
        m_object = new AccessibleObject(window, std::move(m_answers));
    }
    return LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible *>(m_object));
}

} // namespace mrfyc
