// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace mrfyc {

// Where start-up time goes: with MRFYC_TRACE_STARTUP set (and not "0"), each phase the program
// passes is written to stderr with the milliseconds since the first one and since the one before.
// Without it a phase costs one test of a flag, so the marks stay in the program.
class StartupTrace
{
public:
    static void Mark(const char *phase)
    {
        State &state = Current();
        if (!state.Enabled)
            return;
        const Clock::time_point now = Clock::now();
        if (state.Marks++ == 0)
            state.First = state.Last = now;
        std::fprintf(stderr, "mrfyc start-up: %8.3f ms  +%7.3f ms  %s\n",
                     Milliseconds(now - state.First), Milliseconds(now - state.Last), phase);
        std::fflush(stderr);
        state.Last = now;
    }

    static bool Enabled() { return Current().Enabled; }

private:
    using Clock = std::chrono::steady_clock;

    struct State
    {
        bool Enabled = false;
        int Marks = 0;
        Clock::time_point First;
        Clock::time_point Last;
    };

    static State &Current()
    {
        static State state = [] {
            State fresh;
            const char *value = std::getenv("MRFYC_TRACE_STARTUP");
            fresh.Enabled = value && *value && !(value[0] == '0' && value[1] == '\0');
            return fresh;
        }();
        return state;
    }

    static double Milliseconds(Clock::duration span)
    {
        return std::chrono::duration<double, std::milli>(span).count();
    }
};

} // namespace mrfyc
