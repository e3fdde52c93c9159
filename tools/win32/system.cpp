// SPDX-License-Identifier: MIT
#include "tools/system.h"

#include "files/win32/wide_text.h"

#include <windows.h>

#include <optional>

namespace mrfyc {

namespace {

// The message table's text for code in exactly that language (0: the system's own choice).
std::optional<std::string> FormatSystemMessage(DWORD code, DWORD languageId)
{
    wchar_t buffer[1024] = {};
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
        nullptr, code, languageId, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
    std::wstring_view text(buffer, length);
    // The table's texts end in a full stop and a line break; the reason goes inside brackets.
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.remove_suffix(1);
    if (!text.empty() && (text.back() == L'.' || text.back() == L'\x3002'))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    return win32::ToUtf8(text);
}

} // namespace

std::string SystemErrorText(int systemError, MessageLanguage language)
{
    const DWORD code = static_cast<DWORD>(systemError);
    if (language == MessageLanguage::Japanese) {
        // Japanese where the system has it, else whatever it has: a Japanese line may quote the
        // system in another language, as the C library does without a Japanese catalogue.
        for (const DWORD languageId :
             {DWORD{MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN)}, DWORD{0}})
            if (std::optional<std::string> text = FormatSystemMessage(code, languageId))
                return *text;
        return "エラー " + std::to_string(code);
    }
    if (std::optional<std::string> text =
            FormatSystemMessage(code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)))
        return *text;
    return "error " + std::to_string(code);
}

MessageLanguage SystemMessageLanguage()
{
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE ? MessageLanguage::Japanese
                                                                        : MessageLanguage::English;
}

std::string_view LineEnd() noexcept
{
    return "\r\n";
}

void WriteToStandardError(std::string_view text) noexcept
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}

} // namespace mrfyc
