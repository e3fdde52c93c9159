// SPDX-License-Identifier: MIT
#include "rules/errors.h"

namespace mrfyc {

namespace {

std::string Fill(std::string_view before, std::string_view path, std::string_view after)
{
    std::string text;
    text.reserve(before.size() + path.size() + after.size());
    text.append(before).append(path).append(after);
    return text;
}

} // namespace

std::string FileCreateErrorText(std::string_view path)
{
    return Fill("ファイル ", path, " を作成できません");
}

std::string FileOpenErrorText(std::string_view path)
{
    return Fill("ファイル ", path, " は開けません");
}

} // namespace mrfyc
