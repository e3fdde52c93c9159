// SPDX-License-Identifier: MIT
#include "rules/startup_failure_text.h"

#include <cstdio>

namespace mrfyc {

namespace {

std::string FormatAddress(std::uintptr_t offset)
{
    char digits[2 * sizeof(void *) + 1];
    std::snprintf(digits, sizeof digits, "%0*llX", static_cast<int>(2 * sizeof(void *)),
                  static_cast<unsigned long long>(offset));
    return digits;
}

} // namespace

std::string StartupFailureText(std::string_view kind, std::string_view module,
                               std::uintptr_t offset, std::string_view message)
{
    std::string text;
    text.append(kind).append(" がモジュール ").append(module).append(" の ");
    text.append(FormatAddress(offset)).append(" で発生しました。\r\n").append(message);
    if (!message.empty() && message.back() != '.')
        text.push_back('.');
    text.append("\r\n");
    return text;
}

std::string_view ModuleFileName(std::string_view path)
{
    // UTF-8 never uses these bytes inside a character, so a byte search is safe.
#ifdef _WIN32
    const std::size_t separator = path.find_last_of("\\/:");
#else
    const std::size_t separator = path.find_last_of('/');
#endif
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

} // namespace mrfyc
