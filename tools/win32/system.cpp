// SPDX-License-Identifier: MIT
#include "tools/system.h"

#include "files/win32/wide_text.h"

#include <windows.h>

#include <algorithm>
#include <memory>
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

struct FindCloser
{
    void operator()(HANDLE find) const noexcept { ::FindClose(find); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

// The names in the folder that match pattern's last part, "." and ".." left out.
std::vector<std::wstring> MatchingNames(const std::wstring &pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const FindHandle find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0));
    if (find.get() == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..")
            names.emplace_back(name);
    } while (::FindNextFileW(find.get(), &found));
    return names;
}

// NTFS's order: by name with case ignored; names that differ in case alone, by their code units.
bool ComesFirst(const std::wstring &a, const std::wstring &b)
{
    const int folded = ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE);
    return folded != CSTR_EQUAL ? folded == CSTR_LESS_THAN : a < b;
}

} // namespace

std::vector<std::string> ExpandFileArgument(const std::string &argument)
{
    const std::size_t nameStart = argument.find_last_of("\\/:") + 1; // npos + 1 == 0
    const std::optional<std::wstring> pattern = win32::ToWide(argument);
    if (!pattern || argument.find_first_of("*?", nameStart) == std::string::npos)
        return {argument};
    std::vector<std::wstring> names = MatchingNames(*pattern);
    if (names.empty())
        return {argument};
    std::sort(names.begin(), names.end(), ComesFirst);
    std::vector<std::string> files;
    for (const std::wstring &name : names)
        files.push_back(argument.substr(0, nameStart) + win32::ToUtf8(name));
    return files;
}

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
