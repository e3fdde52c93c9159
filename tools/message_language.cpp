// SPDX-License-Identifier: MIT
#include "tools/message_language.h"

#include <string_view>

namespace mrfyc {

namespace {

bool IsJapaneseLocale(std::string_view name)
{
    if (!name.starts_with("ja"))
        return false;
    // "jam" (Jamaican Creole) must not count.
    return name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '@';
}

} // namespace

MessageLanguage ChooseMessageLanguage(const EnvironmentLookup &lookup, MessageLanguage fallback)
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = lookup(variable);
        if (value != nullptr && *value != '\0')
            return IsJapaneseLocale(value) ? MessageLanguage::Japanese : MessageLanguage::English;
    }
    return fallback;
}

} // namespace mrfyc
