// SPDX-License-Identifier: MIT
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace mrfyc {

// The program's error kinds. Each carries the message text shown to the user (system narrow
// encoding, "%s" already filled in). Commands let them propagate to the event loop's report.
class Exception : public std::exception
{
public:
    // Not inlined, so that the return address lies in the code that raises the error.
    // systemError is the errno (or Windows error code) behind the failure, 0 when there is none.
    [[gnu::noinline]] explicit Exception(std::string message, int systemError = 0)
        : m_message(std::move(message)), m_address(__builtin_return_address(0)),
          m_systemError(systemError)
    {}

    const std::string &Message() const noexcept { return m_message; }
    // The system's own error number, for a reason after the text where the user reads one (the
    // command-line patcher); the window shows the message alone.
    int SystemError() const noexcept { return m_systemError; }
    // Where the error was raised, for the start-up failure box (module and offset).
    const void *Address() const noexcept { return m_address; }
    const char *what() const noexcept override { return m_message.c_str(); }
    // The kind's name as the start-up failure box shows it ("EFOpenError", ...).
    virtual std::string_view ClassName() const noexcept { return "Exception"; }

private:
    std::string m_message;
    const void *m_address = nullptr;
    int m_systemError = 0;
};

#define MRFYC_ERROR_KIND(Kind)                                                                     \
    class Kind : public Exception                                                                  \
    {                                                                                              \
    public:                                                                                        \
        using Exception::Exception;                                                                \
        std::string_view ClassName() const noexcept override { return #Kind; }                     \
    };

MRFYC_ERROR_KIND(EFCreateError)
MRFYC_ERROR_KIND(EFOpenError)
MRFYC_ERROR_KIND(EReadError)
MRFYC_ERROR_KIND(EWriteError)
MRFYC_ERROR_KIND(EStreamError)
MRFYC_ERROR_KIND(EOutOfMemory)
MRFYC_ERROR_KIND(EAbort)

#undef MRFYC_ERROR_KIND

// The exact texts, "%s" filled with the path as the command used it.
std::string FileCreateErrorText(std::string_view path); // "ファイル %s を作成できません"
std::string FileOpenErrorText(std::string_view path);   // "ファイル %s は開けません"
inline constexpr std::string_view kReadErrorText = "ストリームからの読み込みエラー";
inline constexpr std::string_view kWriteErrorText = "ストリームへの書き込みエラー";
inline constexpr std::string_view kStreamMemoryErrorText =
    "メモリストリームの拡大中にメモリが足りなくなりました";
inline constexpr std::string_view kOutOfMemoryText = "メモリが足りません";
// A spin field's arrow could not have its repeat timer.
inline constexpr std::string_view kTimerErrorText = "タイマーを取得できません";

} // namespace mrfyc
