// SPDX-License-Identifier: MIT
#pragma once

#include "files/rewrite_recovery.h"
#include "rules/errors.h"
#include "tools/message_language.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace mrfyc {

// Every text the command-line patcher prints, in one language. Under Japanese the window's own
// texts are used byte for byte.
class PatchMessages
{
public:
    explicit PatchMessages(MessageLanguage language) : m_language(language) {}

    MessageLanguage Language() const { return m_language; }

    std::string_view Help() const;
    std::string Version() const;

    // Usage errors, printed after "mrfyc-patch: ".
    std::string InvalidNumber(std::string_view option, std::string_view value) const;
    std::string OutOfRange(std::string_view option, std::string_view value, std::int32_t minimum,
                           std::int32_t maximum) const;
    std::string UnknownOption(std::string_view option) const;
    std::string NeedsValue(std::string_view option) const;
    std::string_view NoFile() const;
    std::string_view CheckWithSkip() const;
    std::string_view TryHelp() const;

    // Outcomes on standard output, printed after "FILE: ".
    std::string_view Patched() const;
    std::string_view SkippedPatched() const;
    std::string_view HasHeader() const;
    std::string_view NoHeader() const;
    std::string_view NeedsRecovery() const;

    // Whole failure lines for standard error: "mrfyc-patch: FILE: text (reason)", the file named
    // once (a window text that already names it stands alone), the reason only when the system
    // gave one.
    std::string Unsupported(std::string_view file) const;
    std::string Failure(std::string_view file, const Exception &error) const;
    std::string OutOfMemory(std::string_view file) const;
    std::string NotPatchedNeedsRecovery(std::string_view file) const;
    // A journal that recovery could not finish with, and why: it stays for a later run.
    std::string RecoveryWaits(const WaitingRewrite &waiting) const;

    // The system's text for an error number, in this language where the system has it.
    std::string Reason(int systemError) const;

private:
    bool Japanese() const { return m_language == MessageLanguage::Japanese; }
    std::string EnglishText(std::string_view file, const Exception &error) const;
    std::string Line(std::string_view file, std::string_view text, int systemError) const;

    MessageLanguage m_language;
};

} // namespace mrfyc
