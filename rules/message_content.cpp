// SPDX-License-Identifier: MIT
#include "rules/message_content.h"

#include <string>

namespace mrfyc {

std::string MessageContentText(std::string_view caption, std::string_view text,
                               const std::vector<std::string_view> &buttonCaptions)
{
    const std::string divider(27, '-');
    const std::string_view crlf = "\r\n";
    std::string buttons;
    for (std::string_view button : buttonCaptions)
        buttons.append(button).append("   ");
    // "&" is no trail byte of a double-byte character in any code page used here.
    std::erase(buttons, '&');
    std::string content;
    for (std::string_view line :
         {std::string_view(divider), caption, std::string_view(divider), text,
          std::string_view(divider), std::string_view(buttons), std::string_view(divider)})
        content.append(line).append(crlf);
    return content;
}

} // namespace mrfyc
