// SPDX-License-Identifier: MIT
#include "tools/patch_messages.h"

#include "rules/full_stop.h"
#include "rules/header_fields.h"
#include "rules/notice_function.h"
#include "tools/system.h"

#include <algorithm>
#include <optional>

namespace mrfyc {

namespace {

constexpr std::string_view kProgram = "mrfyc-patch";

constexpr std::string_view kEnglishHelp =
    "Usage: mrfyc-patch [OPTION]... FILE...\n"
    "Writes the mrfyc header in front of each ミルフィ log FILE (.mrfy or .tmp).\n"
    "\n";

constexpr std::string_view kEnglishHelpAfterValues =
    "  --check         only report whether each FILE already begins with a header\n"
    "  --skip-patched  patch only the FILEs that do not begin with a header yet\n"
    "  -h, --help      show this help and exit\n"
    "  -V, --version   show the version and exit\n"
    "\n"
    "Without --skip-patched a FILE that was patched before gets a second header in front of\n"
    "the first, as the window does. Each FILE is replaced only once its new contents are safely\n"
    "on disk. \"Temp.txt\" is written beside this program.\n"
    "\n"
    "Exit status: 0 when every FILE was patched (or skipped), 1 when any was not, 2 for a usage\n"
    "error. With --check: 0 when no FILE begins with a header, 1 when any does, 2 when a FILE\n"
    "could not be checked or for a usage error, 3 when a FILE needs recovery from an\n"
    "interrupted rewrite.\n";

constexpr std::string_view kJapaneseHelp =
    "使い方: mrfyc-patch [オプション]... FILE...\n"
    "ミルフィのログ FILE (.mrfy または .tmp) の先頭に mrfyc のヘッダーを書き込みます。\n"
    "\n";

constexpr std::string_view kJapaneseHelpAfterValues =
    "  --check         各 FILE がヘッダーで始まるかどうかを表示するだけで、書き込みません\n"
    "  --skip-patched  まだヘッダーで始まっていない FILE だけを修正します\n"
    "  -h, --help      この説明を表示して終了します\n"
    "  -V, --version   バージョンを表示して終了します\n"
    "\n"
    "--skip-patched がなければ、修正済みの FILE には、ウィンドウと同じく最初のヘッダーの前に\n"
    "二つ目のヘッダーが付きます。各 FILE は新しい内容がディスクに書き込まれてから置き換えられ\n"
    "ます。\"Temp.txt\" はこのプログラムと同じフォルダーに書き込まれます。\n"
    "\n"
    "終了ステータス: すべての FILE を修正した (または飛ばした) とき 0、修正できなかった FILE が\n"
    "あるとき 1、使い方の誤りは 2。--check では、ヘッダーで始まる FILE がなければ 0、あれば 1、\n"
    "調べられない FILE があるときや使い方の誤りは 2、中断された書き換えの復旧待ちの FILE が\n"
    "あるときは 3。\n";

// The words around a value option's range, in one language.
struct RangeWords
{
    std::string_view AfterMeaning;
    std::string_view To;
    std::string_view Default;
};

constexpr RangeWords kEnglishRange{", ", " to ", " (default "};
constexpr RangeWords kJapaneseRange{"、", " から ", " (既定値 "};

// Where an option's description starts, after the two spaces that indent it.
constexpr std::size_t kOptionWidth = 16;

// "  --width N       image width, 0 to 65536 (default 900)": one line for each of the fields.
std::string ValueOptionLines(bool japanese)
{
    const RangeWords &words = japanese ? kJapaneseRange : kEnglishRange;
    std::string lines;
    for (const HeaderField &field : kHeaderFields) {
        std::string option = std::string(field.Option) + " N";
        option.resize(std::max(option.size(), kOptionWidth), ' ');
        lines.append("  ").append(option);
        lines.append(japanese ? field.JapaneseMeaning : field.Meaning).append(words.AfterMeaning);
        lines.append(std::to_string(field.Minimum)).append(words.To);
        lines.append(std::to_string(field.Maximum)).append(words.Default);
        lines.append(std::to_string(field.Default)).append(")\n");
    }
    return lines;
}

// The path that one of the window's file texts names, when message is that text.
std::optional<std::string> PathIn(const std::string &message, std::string (*text)(std::string_view))
{
    const std::string marked = text("\x01");
    const std::size_t at = marked.find('\x01');
    const std::string_view before = std::string_view(marked).substr(0, at);
    const std::string_view after = std::string_view(marked).substr(at + 1);
    if (message.size() < before.size() + after.size() || !message.starts_with(before) ||
        !message.ends_with(after))
        return std::nullopt;
    return message.substr(before.size(), message.size() - before.size() - after.size());
}

// Built by appending: GCC 12 at -O3 misreads "'" + std::string + "'" as an overlapping copy.
std::string Quoted(std::string_view text)
{
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(1, '\'').append(text).append(1, '\'');
    return quoted;
}

bool NamesFile(const Exception &error, std::string_view file)
{
    for (const auto text : {&FileOpenErrorText, &FileCreateErrorText})
        if (PathIn(error.Message(), text) == file)
            return true;
    return false;
}

} // namespace

std::string_view PatchMessages::Help() const
{
    static const std::string english =
        std::string(kEnglishHelp) + ValueOptionLines(false) + std::string(kEnglishHelpAfterValues);
    static const std::string japanese =
        std::string(kJapaneseHelp) + ValueOptionLines(true) + std::string(kJapaneseHelpAfterValues);
    return Japanese() ? japanese : english;
}

std::string PatchMessages::Version() const
{
    return std::string(kProgram) + " (mrfyc) " MRFYC_VERSION "\n"
                                   "Copyright (C) 2026 the mrfyc authors\n"
                                   "License: MIT <https://opensource.org/licenses/MIT>.\n"
                                   "This is free software: you are free to change and "
                                   "redistribute it.\n"
                                   "There is NO WARRANTY, to the extent permitted by law.\n";
}

std::string PatchMessages::InvalidNumber(std::string_view option, std::string_view value) const
{
    const std::string quoted = Quoted(value);
    if (Japanese())
        return std::string(option) + " の値 " + quoted + " は数ではありません";
    return "invalid value " + quoted + " for " + std::string(option) + ": not a number";
}

std::string PatchMessages::OutOfRange(std::string_view option, std::string_view value,
                                      std::int32_t minimum, std::int32_t maximum) const
{
    const std::string quoted = Quoted(value);
    const std::string low = std::to_string(minimum);
    const std::string high = std::to_string(maximum);
    if (Japanese())
        return std::string(option) + " の値 " + quoted + " は範囲外です (" + low + " から " + high +
               " まで)";
    return "value " + quoted + " for " + std::string(option) + " is out of range (" + low + " to " +
           high + ")";
}

std::string PatchMessages::UnknownOption(std::string_view option) const
{
    const std::string quoted = Quoted(option);
    return Japanese() ? "不明なオプション " + quoted : "unknown option " + quoted;
}

std::string PatchMessages::NeedsValue(std::string_view option) const
{
    const std::string quoted = Quoted(option);
    return Japanese() ? "オプション " + quoted + " には値が必要です"
                      : "option " + quoted + " needs a value";
}

std::string_view PatchMessages::NoFile() const
{
    return Japanese() ? "FILE が指定されていません" : "no FILE given";
}

std::string_view PatchMessages::CheckWithSkip() const
{
    return Japanese() ? "--check と --skip-patched は同時に使えません"
                      : "--check and --skip-patched cannot be used together";
}

std::string_view PatchMessages::TryHelp() const
{
    return Japanese() ? "詳しくは 'mrfyc-patch --help' を実行してください。"
                      : "Try 'mrfyc-patch --help'.";
}

std::string_view PatchMessages::Patched() const
{
    return Japanese() ? kNoticePatched : "patched";
}

std::string_view PatchMessages::SkippedPatched() const
{
    return Japanese() ? "ヘッダーがあるため飛ばしました" : "skipped, already begins with a header";
}

std::string_view PatchMessages::HasHeader() const
{
    return Japanese() ? "ヘッダーがあります" : "begins with a header";
}

std::string_view PatchMessages::NoHeader() const
{
    return Japanese() ? "ヘッダーはありません" : "no header";
}

std::string_view PatchMessages::NeedsRecovery() const
{
    return Japanese() ? "中断された書き換えの復旧待ちです" : "needs recovery";
}

std::string PatchMessages::NotPatchedNeedsRecovery(std::string_view file) const
{
    return Line(file,
                Japanese() ? "中断された書き換えの復旧待ちのため、修正しません"
                           : "needs recovery from an interrupted rewrite, not patched",
                0);
}

std::string PatchMessages::RecoveryWaits(const WaitingRewrite &waiting) const
{
    using Reason = WaitingRewrite::Reason;
    struct Texts
    {
        Reason Why;
        std::string_view English;
        std::string_view Japanese;
    };
    static constexpr Texts kReasons[] = {
        {Reason::Unreachable, "its folder does not answer or is not there",
         "フォルダーが応答しないか、見つかりません"},
        {Reason::NotTheLog, "the file is in no state the rewrite left, so it was left alone",
         "書き換えが残した状態ではないため、ファイルには触れていません"},
        {Reason::Unusable, "the journal cannot be written, or is of an older version",
         "記録を書き込めないか、古い形式です"},
        {Reason::Busy, "another run is rewriting it", "ほかの実行が書き換え中です"},
        {Reason::Failed, "the disk refused to bring it back", "ディスクが復旧を拒みました"}};
    std::string_view why;
    for (const Texts &texts : kReasons)
        if (texts.Why == waiting.Why)
            why = Japanese() ? texts.Japanese : texts.English;
    const std::string journal(waiting.Journal);
    const std::string text =
        Japanese() ? "中断された書き換えの記録 " + journal + " が残っています: " + std::string(why)
                   : "an interrupted rewrite waits in " + journal + ": " + std::string(why);
    return Line(waiting.Log.empty() ? waiting.Journal : waiting.Log, text, 0);
}

std::string PatchMessages::Unsupported(std::string_view file) const
{
    return Line(file, Japanese() ? kNoticeUnsupported : "not a .mrfy or .tmp log, skipped", 0);
}

std::string PatchMessages::Failure(std::string_view file, const Exception &error) const
{
    if (!Japanese())
        return Line(file, EnglishText(file, error), error.SystemError());
    const std::string text = WithFullStop(error.Message());
    if (!NamesFile(error, file))
        return Line(file, text, error.SystemError());
    std::string line = std::string(kProgram) + ": " + text;
    if (error.SystemError() != 0)
        line += " (" + Reason(error.SystemError()) + ")";
    return line;
}

std::string PatchMessages::OutOfMemory(std::string_view file) const
{
    return Line(file, Japanese() ? WithFullStop(kOutOfMemoryText) : "out of memory", 0);
}

std::string PatchMessages::Reason(int systemError) const
{
    return SystemErrorText(systemError, m_language);
}

std::string PatchMessages::EnglishText(std::string_view file, const Exception &error) const
{
    const std::string_view kind = error.ClassName();
    const auto naming = [file](std::string_view verb, std::optional<std::string> path) {
        std::string text(verb);
        if (path && *path != file)
            text += " " + *path;
        return text;
    };
    if (kind == "EFOpenError")
        return naming("cannot open", PathIn(error.Message(), &FileOpenErrorText));
    if (kind == "EFCreateError")
        return naming("cannot create", PathIn(error.Message(), &FileCreateErrorText));
    if (kind == "EReadError")
        return "read error";
    if (kind == "EWriteError")
        return "write error";
    if (kind == "EStreamError" || kind == "EOutOfMemory")
        return "out of memory";
    return error.Message();
}

std::string PatchMessages::Line(std::string_view file, std::string_view text, int systemError) const
{
    std::string line = std::string(kProgram) + ": " + std::string(file) + ": " + std::string(text);
    if (systemError != 0)
        line += " (" + Reason(systemError) + ")";
    return line;
}

} // namespace mrfyc
