// SPDX-License-Identifier: MIT
#include "rules/code_page.h"

namespace mrfyc {

namespace {

bool IsDelimiter(unsigned char byte, PathFlavour flavour)
{
    // Windows itself takes "/" for "\\" in a path, so a name never holds one.
    if (flavour == PathFlavour::Windows)
        return byte == '\\' || byte == '/' || byte == ':';
    return byte == '/';
}

// Index of the last byte of path that matches and starts a character, or npos. Scanning forwards
// is the only way to tell a CP932 trail byte from a character of its own.
template <typename Matches>
std::size_t LastCharacterMatching(std::string_view path, CodePage codePage, Matches matches)
{
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(byte, codePage)) {
            ++i; // the trail byte belongs to the character, whatever its value
            continue;
        }
        if (matches(byte))
            found = i;
    }
    return found;
}

} // namespace

CodePage NativeCodePage()
{
    return CodePage::Utf8;
}

PathFlavour NativePathFlavour()
{
    return PathFlavour::Posix;
}

bool IsLeadByte(unsigned char byte, CodePage codePage)
{
    if (codePage == CodePage::Cp932)
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    // UTF-8 never uses an ASCII byte inside a character, so no byte hides a delimiter.
    return false;
}

std::size_t LastCharacterStart(std::string_view text, CodePage codePage)
{
    if (text.empty())
        return text.size();
    if (codePage == CodePage::Utf8) {
        std::size_t i = text.size() - 1;
        while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            --i;
        return i;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        start = i;
        if (IsLeadByte(static_cast<unsigned char>(text[i]), codePage) && i + 1 < text.size())
            ++i;
    }
    return start;
}

std::string ExtractFileExt(std::string_view path, CodePage codePage, PathFlavour flavour)
{
    const std::size_t at = LastCharacterMatching(path, codePage, [flavour](unsigned char byte) {
        return byte == '.' || IsDelimiter(byte, flavour);
    });
    if (at == std::string_view::npos || path[at] != '.')
        return {};
    return std::string(path.substr(at));
}

std::string ExtractFilePath(std::string_view path, CodePage codePage, PathFlavour flavour)
{
    const std::size_t at = LastCharacterMatching(
        path, codePage, [flavour](unsigned char byte) { return IsDelimiter(byte, flavour); });
    return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

} // namespace mrfyc
