// SPDX-License-Identifier: MIT
#pragma once

#include "rules/notice_function.h"

namespace mrfyc {

// What a patch that did not fail came to; the front end tells it with NoticeText.
enum class PatchOutcome
{
    NoFileChosen,
    Patched
};

inline const char *NoticeText(PatchOutcome outcome)
{
    return outcome == PatchOutcome::Patched ? kNoticePatched : kNoticeNoFile;
}

} // namespace mrfyc
