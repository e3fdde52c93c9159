// SPDX-License-Identifier: MIT
#include "files/win32/wide_text.h"

#include <climits>
#include <windows.h>

namespace mrfyc::win32 {

namespace {

std::optional<std::wstring> Widen(std::string_view text, DWORD flags)
{
    if (text.empty())
        return std::wstring();
    if (text.size() > INT_MAX)
        return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, flags, text.data(), size, nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_UTF8, flags, text.data(), size, wide.data(), length) != length)
        return std::nullopt;
    return wide;
}

} // namespace

std::wstring ToWideShown(std::string_view text)
{
    return Widen(text, 0).value_or(std::wstring());
}

std::optional<std::wstring> ToWide(std::string_view text)
{
    std::optional<std::wstring> wide = Widen(text, MB_ERR_INVALID_CHARS);
    if (!wide)
        return std::nullopt;
    // A NUL inside would silently cut the name at the W call.
    if (wide->find(L'\0') != std::wstring::npos)
        return std::nullopt;
    return wide;
}

std::string ToUtf8(std::wstring_view text)
{
    if (text.empty() || text.size() > INT_MAX / 3)
        return {};
    const int size = static_cast<int>(text.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string narrow(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr,
                              nullptr) != length)
        return {};
    return narrow;
}

} // namespace mrfyc::win32
