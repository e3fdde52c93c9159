// SPDX-License-Identifier: MIT
#include "rules/menu_access_key.h"

#include <algorithm>
#include <set>
#include <string_view>

namespace mrfyc {

namespace {

constexpr std::u32string_view kCandidates = U"1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::u32string_view kEllipsis = U"...";

// A character that code page 932 stores in one byte: ASCII and the half-width katakana.
bool IsSingleByteCharacter(char32_t code)
{
    return code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F);
}

bool HasDoubleByteCharacter(const std::u32string &caption)
{
    return std::any_of(
        caption.cbegin(), caption.cend(), [](char32_t c) { return !IsSingleByteCharacter(c); });
}

// Only ASCII keys are candidates; the two letters outside ASCII whose capitals are ASCII count
// as those capitals when a caption marks them.
char32_t KeyOf(char32_t character)
{
    if (character >= U'a' && character <= U'z')
        return character - U'a' + U'A';
    if (character == U'\u0131') // dotless i
        return U'I';
    if (character == U'\u017F') // long s
        return U'S';
    return character;
}

// The keys a caption marks itself: the character after a single "&" ("&&" is a literal "&").
void TakeMarkedKeys(const std::u32string &caption, std::set<char32_t> &used)
{
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != U'&')
            continue;
        if (caption[i + 1] != U'&')
            used.insert(KeyOf(caption[i + 1]));
        ++i;
    }
}

std::u32string WithSuffixKey(const std::u32string &caption, char32_t key)
{
    const std::u32string suffix = std::u32string(U"(&") + key + U')';
    if (caption.ends_with(kEllipsis))
        return caption.substr(0, caption.size() - kEllipsis.size()) + suffix +
               std::u32string(kEllipsis);
    return caption + suffix;
}

std::u32string WithKey(const std::u32string &caption, bool doubleByteSystem,
                       std::set<char32_t> &used)
{
    const bool suffixForm = doubleByteSystem && HasDoubleByteCharacter(caption);
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (!IsSingleByteCharacter(caption[i]))
            continue;
        const char32_t key = KeyOf(caption[i]);
        if (kCandidates.find(key) == std::u32string_view::npos || used.contains(key))
            continue;
        used.insert(key);
        if (suffixForm)
            return WithSuffixKey(caption, key);
        return caption.substr(0, i) + U'&' + caption.substr(i);
    }
    if (!suffixForm)
        return caption;
    for (std::size_t i = kCandidates.size(); i-- > 0;) {
        if (!used.contains(kCandidates[i])) {
            used.insert(kCandidates[i]);
            return WithSuffixKey(caption, kCandidates[i]);
        }
    }
    return caption;
}

} // namespace

std::vector<std::u32string> AssignMenuAccessKeys(const std::vector<std::u32string> &captions,
                                                 bool doubleByteSystem)
{
    std::set<char32_t> used;
    for (const std::u32string &caption : captions)
        TakeMarkedKeys(caption, used);
    std::vector<std::u32string> result;
    result.reserve(captions.size());
    for (const std::u32string &caption : captions) {
        result.push_back(caption.find(U'&') != std::u32string::npos
                             ? caption
                             : WithKey(caption, doubleByteSystem, used));
    }
    return result;
}

} // namespace mrfyc
