// SPDX-License-Identifier: MIT
// Extension and directory rules under both code pages and both path flavours, checked against a
// model that first cuts the path into characters and then searches backwards.
#include "rules/code_page.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using mrfyc::CodePage;
using mrfyc::PathFlavour;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

bool IsModelLeadByte(unsigned char byte, CodePage codePage)
{
    return codePage == CodePage::Cp932 &&
           ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

bool IsModelDelimiter(unsigned char byte, PathFlavour flavour)
{
    return flavour == PathFlavour::Windows ? (byte == '\\' || byte == '/' || byte == ':')
                                           : byte == '/';
}

// Offsets at which a character starts: a lead byte swallows the byte after it.
std::vector<std::size_t> CharacterStarts(std::string_view path, CodePage codePage)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < path.size(); ++i) {
        starts.push_back(i);
        if (IsModelLeadByte(static_cast<unsigned char>(path[i]), codePage))
            ++i;
    }
    return starts;
}

// Only single-byte characters can be a dot or a delimiter.
bool IsSingle(std::string_view path, std::size_t at, CodePage codePage)
{
    return !IsModelLeadByte(static_cast<unsigned char>(path[at]), codePage);
}

std::string ModelExt(std::string_view path, CodePage codePage, PathFlavour flavour)
{
    const auto starts = CharacterStarts(path, codePage);
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        const auto byte = static_cast<unsigned char>(path[*it]);
        if (!IsSingle(path, *it, codePage))
            continue;
        if (byte == '.')
            return std::string(path.substr(*it));
        if (IsModelDelimiter(byte, flavour))
            return {};
    }
    return {};
}

std::string ModelPath(std::string_view path, CodePage codePage, PathFlavour flavour)
{
    const auto starts = CharacterStarts(path, codePage);
    for (auto it = starts.rbegin(); it != starts.rend(); ++it)
        if (IsSingle(path, *it, codePage) &&
            IsModelDelimiter(static_cast<unsigned char>(path[*it]), flavour))
            return std::string(path.substr(0, *it + 1));
    return {};
}

bool IsCharacterStart(std::string_view path, std::size_t at, CodePage codePage)
{
    for (const std::size_t start : CharacterStarts(path, codePage))
        if (start == at)
            return true;
    return false;
}

void Check(std::string_view path, CodePage codePage, PathFlavour flavour)
{
    const std::string ext = mrfyc::ExtractFileExt(path, codePage, flavour);
    const std::string dir = mrfyc::ExtractFilePath(path, codePage, flavour);

    // The extension is a suffix that starts with a dot, or empty.
    Require(ext.size() <= path.size());
    Require(path.substr(path.size() - ext.size()) == ext);
    Require(ext.empty() || ext.front() == '.');
    Require(ext.empty() || IsCharacterStart(path, path.size() - ext.size(), codePage));

    // The directory is a prefix ending in a delimiter that starts a character (so a CP932 trail
    // byte 0x5C never counts), or empty; no delimiter character follows it.
    Require(dir.size() <= path.size());
    Require(path.substr(0, dir.size()) == dir);
    if (!dir.empty()) {
        Require(IsModelDelimiter(static_cast<unsigned char>(dir.back()), flavour));
        Require(IsCharacterStart(path, dir.size() - 1, codePage));
    }
    // Neither rule ever reaches into the other's part: the extension lies in the file name.
    Require(ext.size() + dir.size() <= path.size());

    Require(ext == ModelExt(path, codePage, flavour));
    Require(dir == ModelPath(path, codePage, flavour));

    // Both are stable when applied to their own result.
    Require(mrfyc::ExtractFilePath(dir, codePage, flavour) == dir);
    Require(mrfyc::ExtractFileExt(ext, codePage, flavour) == ext);

    // Without double-byte characters the rules are plain searches for the last byte.
    if (codePage == CodePage::Utf8) {
        const std::string_view delimiters = flavour == PathFlavour::Windows ? "\\/:" : "/";
        const std::size_t cut = path.find_last_of(delimiters);
        Require(dir ==
                (cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1)));
        const std::size_t dot = path.find_last_of('.');
        const bool dotInName =
            dot != std::string_view::npos && (cut == std::string_view::npos || dot > cut);
        Require(ext == (dotInName ? path.substr(dot) : std::string_view()));
    }

    const std::size_t last = mrfyc::LastCharacterStart(path, codePage);
    if (path.empty()) {
        Require(last == 0);
    } else {
        Require(last < path.size());
        if (codePage == CodePage::Cp932) {
            Require(last == CharacterStarts(path, codePage).back());
        } else {
            // The last byte that is no UTF-8 continuation byte, or the start of the text.
            std::string continuation;
            for (int byte = 0x80; byte <= 0xBF; ++byte)
                continuation += static_cast<char>(byte);
            const std::size_t lead = path.find_last_not_of(continuation);
            Require(last == (lead == std::string_view::npos ? 0 : lead));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view path(reinterpret_cast<const char *>(data), size);
    for (const CodePage codePage : {CodePage::Cp932, CodePage::Utf8})
        for (const PathFlavour flavour : {PathFlavour::Windows, PathFlavour::Posix})
            Check(path, codePage, flavour);
    return 0;
}
