// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace mrfyc::test {

// The seven lines a patch puts in front of a log, spelled out here rather than built by the code
// under test, so that a fault in that code cannot write its own expectation. The defaults are the
// window's.
inline std::string ExpectedHeader(int width = 900, int height = 1200, int lines = 6000,
                                  int quality = 1)
{
    return "layer_count=2\r\nlayer_max=2\r\nlayer_last=2\r\nimage_width=" + std::to_string(width) +
           "\r\nimage_height=" + std::to_string(height) +
           "\r\ncount_lines=" + std::to_string(lines) + "\r\nquality=" + std::to_string(quality) +
           "\r\n";
}

// What the patcher says, in Japanese (the fault suite and the patcher's tests run under ja_JP).
inline constexpr std::string_view kPatched = "修正しました";
inline constexpr std::string_view kWriteError = "ストリームへの書き込みエラー.";
inline constexpr std::string_view kReadError = "ストリームからの読み込みエラー.";

inline std::string OpenErrorLine(std::string_view path)
{
    return "ファイル " + std::string(path) + " は開けません.";
}

inline std::string CreateErrorLine(std::string_view path)
{
    return "ファイル " + std::string(path) + " を作成できません.";
}

} // namespace mrfyc::test
