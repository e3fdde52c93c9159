// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mrfyc {

// Paths and messages are byte strings in the system's narrow encoding. The double-byte rules
// (a delimiter byte that is the second byte of a double-byte character is no delimiter) are
// written once here, for the code page and the path flavour given.
enum class CodePage
{
    Cp932,
    Utf8
};
enum class PathFlavour
{
    Windows,
    Posix
}; // "\", "/" and ":", or "/"

// The same on every platform: text travels as UTF-8 (the Windows side converts at its W calls), and
// a caller that holds a Windows path names PathFlavour::Windows.
CodePage NativeCodePage();       // UTF-8
PathFlavour NativePathFlavour(); // POSIX

bool IsLeadByte(unsigned char byte, CodePage codePage);

// Offset of the first byte of the last character of text (text.size() when empty).
std::size_t LastCharacterStart(std::string_view text, CodePage codePage = NativeCodePage());

// From the last ".", or "" when a delimiter comes after it or there is none; dot included.
std::string ExtractFileExt(std::string_view path, CodePage codePage = NativeCodePage(),
                           PathFlavour flavour = NativePathFlavour());
// Everything up to and including the last delimiter; "" when there is none.
std::string ExtractFilePath(std::string_view path, CodePage codePage = NativeCodePage(),
                            PathFlavour flavour = NativePathFlavour());

} // namespace mrfyc
