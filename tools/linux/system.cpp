// SPDX-License-Identifier: MIT
#include "tools/system.h"

#include <clocale>
#include <cstring>
#include <locale.h>
#include <unistd.h>

namespace mrfyc {

std::string SystemErrorText(int systemError, MessageLanguage language)
{
    // The user's locale for Japanese (its messages come from the C library's own catalogue);
    // "C" otherwise, so that an English line never carries a reason in another language.
    const bool japanese = language == MessageLanguage::Japanese;
    locale_t locale = ::newlocale(LC_ALL_MASK, japanese ? "" : "C", locale_t{});
    if (locale == locale_t{})
        locale = ::newlocale(LC_ALL_MASK, "C", locale_t{});
    std::string text = ::strerror_l(systemError, locale);
    ::freelocale(locale);
    return text;
}

MessageLanguage SystemMessageLanguage()
{
    return MessageLanguage::English;
}

std::vector<std::string> ExpandFileArgument(const std::string &argument)
{
    return {argument};
}

std::string_view LineEnd() noexcept
{
    return "\n";
}

void WriteToStandardError(std::string_view text) noexcept
{
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
}

} // namespace mrfyc
