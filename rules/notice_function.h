// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

namespace mrfyc {

// How the core tells the user of a foreseen outcome; the shell passes its ShowNotice.
using NoticeFunction = std::function<void(const std::string &text)>;

inline constexpr const char *kNoticeNoFile = "ファイルを選択、またはドラッグドロップしてください";
inline constexpr const char *kNoticePatched = "修正しました";
inline constexpr const char *kNoticeUnsupported = "非対応の形式です";
// At start-up, followed by one line for each log that an interrupted rewrite left half-moved.
inline constexpr const char *kNoticeRecoveryWaits =
    "中断された修正を元に戻せなかったログがあります。次のログは開かないでください:";

} // namespace mrfyc
