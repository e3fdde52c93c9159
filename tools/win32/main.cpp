// SPDX-License-Identifier: MIT
// mrfyc-patch on Windows: the command line arrives in UTF-16 and is passed on in UTF-8, the
// encoding every text of the program is in, which is also what the console is told to show.
#include "files/win32/wide_text.h"
#include "tools/tool_main.h"

#include <windows.h>

namespace {

// The console's output code page belongs to the console, not to this program: the shell that
// started it gets its own back.
class Utf8Console
{
public:
    Utf8Console() : m_previous(::GetConsoleOutputCP())
    {
        if (m_previous != 0 && m_previous != CP_UTF8)
            ::SetConsoleOutputCP(CP_UTF8);
    }
    Utf8Console(const Utf8Console &) = delete;
    Utf8Console &operator=(const Utf8Console &) = delete;
    ~Utf8Console()
    {
        if (m_previous != 0 && m_previous != CP_UTF8)
            ::SetConsoleOutputCP(m_previous);
    }

private:
    UINT m_previous;
};

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const Utf8Console console;
    return mrfyc::PatchToolMain([argc, argv] {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i)
            arguments.push_back(mrfyc::win32::ToUtf8(argv[i]));
        return arguments;
    });
}
