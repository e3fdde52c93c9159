// SPDX-License-Identifier: MIT
#pragma once

#include "shell/beep.h"

#include <QString>

#include <functional>
#include <utility>

namespace mrfyc {

// A process-wide point where a test stands in for the outside world (a modal box, the speaker,
// the clipboard), so that nothing blocks, sounds or touches the user's desktop. Empty in the
// program; setting an empty function gives the program's own behaviour back. Whatever belongs to
// one widget has a per-instance answerer on that widget instead (the open dialog, the arrows'
// repeat timer).
template <typename Signature> class TestSeam
{
public:
    void Set(std::function<Signature> standIn) { m_standIn = std::move(standIn); }
    explicit operator bool() const { return static_cast<bool>(m_standIn); }
    template <typename... Arguments> decltype(auto) operator()(Arguments &&...arguments) const
    {
        return m_standIn(std::forward<Arguments>(arguments)...);
    }

private:
    std::function<Signature> m_standIn;
};

// ShowNotice still beeps but hands its text here instead of opening the dialog.
TestSeam<void(const QString &text)> &NoticeSeam();
// ReportError hands the text it would show here instead of opening the critical box.
TestSeam<void(const QString &shownText)> &ErrorReportSeam();
// Every beep, kind and order, instead of the speaker.
TestSeam<void(BeepKind kind)> &BeepSeam();
// The message dialog's copy goes here instead of the clipboard; true when it took the text.
TestSeam<bool(const QString &text)> &ClipboardSeam();

// The message dialog measures its button caption once per run; a test that changes the font
// starts over with this.
void ForgetMeasuredCaptionWidth();

} // namespace mrfyc
