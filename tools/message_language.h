// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace mrfyc {

enum class MessageLanguage
{
    English,
    Japanese
};

// Looks up an environment variable: its value, or nullptr when it is not set.
using EnvironmentLookup = std::function<const char *(const char *)>;

// The language of the command-line patcher's texts, from the locale as the C library picks the
// messages' one: the first non-empty of LC_ALL, LC_MESSAGES and LANG. Japanese for "ja" and
// "ja_*" (also "ja.UTF-8", "ja@..."), English for everything else, "C" included; unset, the
// fallback (SystemMessageLanguage() in the programs).
MessageLanguage ChooseMessageLanguage(const EnvironmentLookup &lookup,
                                      MessageLanguage fallback = MessageLanguage::English);

} // namespace mrfyc
