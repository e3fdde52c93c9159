// SPDX-License-Identifier: MIT
#pragma once

#include "shell/win32/accessible_object.h"

#include <windows.h>

#include <optional>
#include <utility>

namespace mrfyc {

// How a control of the program answers a screen reader's WM_GETOBJECT: with an accessible object
// of its own for its client area, made at the first request (none is made while no assistive
// program asks) and disconnected when the control goes.
class Accessibility
{
public:
    explicit Accessibility(AccessibleAnswers answers) : m_answers(std::move(answers)) {}
    ~Accessibility();
    Accessibility(const Accessibility &) = delete;
    Accessibility &operator=(const Accessibility &) = delete;

    // The answer to WM_GETOBJECT for the client area; nothing for the other objects, which the
    // default procedure answers.
    std::optional<LRESULT> Answer(HWND window, WPARAM wParam, LPARAM lParam);

private:
    AccessibleAnswers m_answers;
    AccessibleObject *m_object = nullptr;
};

} // namespace mrfyc
