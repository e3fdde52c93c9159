// SPDX-License-Identifier: MIT
#pragma once

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

} // namespace mrfyc
