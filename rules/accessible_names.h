// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace mrfyc {

// What a screen reader hears for the parts of a spin field that have no caption of their own, the
// same on every front end: the arrow pair takes its field's caption, its two arrows these names.
inline constexpr std::string_view kUpArrowName = "上";
inline constexpr std::string_view kDownArrowName = "下";
// The arrows' default action, as Windows calls a push button's in Japanese, for a front end whose
// toolkit does not name it.
inline constexpr std::string_view kArrowDefaultAction = "押す";

} // namespace mrfyc
