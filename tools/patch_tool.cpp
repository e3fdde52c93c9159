// SPDX-License-Identifier: MIT
#include "tools/patch_tool.h"

#include "files/log_patch.h"
#include "rules/errors.h"
#include "rules/full_stop.h"
#include "rules/log_file_selection.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <new>
#include <optional>

namespace mrfyc {

namespace {

constexpr std::string_view kProgramName = "mrfyc-patch";

constexpr std::string_view kUsageTail =
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Each FILE is replaced only once its new contents are safely on disk. \"Temp.txt\" is\n"
    "written beside this program. Exit status: 0 when every FILE was patched, 1 when any was\n"
    "not, 2 for a usage error.\n";

// The options' column in the help text, as wide as the longest "--option N" and two spaces.
constexpr std::size_t kOptionColumn = 13;

std::string Usage()
{
    std::string usage = "Usage: mrfyc-patch";
    for (const HeaderField &field : kHeaderFields)
        usage += " [" + std::string(field.Option) + " N]";
    usage += " FILE...\n"
             "Writes the mrfyc header in front of each ミルフィ log FILE (.mrfy or .tmp).\n"
             "\n";
    for (const HeaderField &field : kHeaderFields) {
        std::string option = "  " + std::string(field.Option) + " N";
        option.resize(std::max(option.size() + 1, kOptionColumn + 2), ' ');
        usage += option + std::string(field.Meaning) + ", " + std::to_string(field.Minimum) +
                 " to " + std::to_string(field.Maximum) + " (default " +
                 std::to_string(field.Default) + ")\n";
    }
    return usage + std::string(kUsageTail);
}

class UsageError
{
public:
    explicit UsageError(std::string text) : m_text(std::move(text)) {}
    const std::string &Text() const { return m_text; }

private:
    std::string m_text;
};

struct CommandLine
{
    THeaderSettings Settings;
    std::vector<std::string> Files;
    bool Help = false;
    bool Version = false;
};

std::int32_t ParseValue(const HeaderField &option, std::string_view text)
{
    long long value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error == std::errc::invalid_argument || stop != end)
        throw UsageError("invalid value '" + std::string(text) + "' for " +
                         std::string(option.Option) + ": not a number");
    if (error == std::errc::result_out_of_range || value < option.Minimum || value > option.Maximum)
        throw UsageError("value '" + std::string(text) + "' for " + std::string(option.Option) +
                         " is out of range (" + std::to_string(option.Minimum) + " to " +
                         std::to_string(option.Maximum) + ")");
    return static_cast<std::int32_t>(value);
}

std::optional<HeaderFieldIndex> FindValueOption(std::string_view name)
{
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index)
        if (kHeaderFields[index].Option == name)
            return static_cast<HeaderFieldIndex>(index);
    return std::nullopt;
}

CommandLine ParseCommandLine(const std::vector<std::string> &arguments)
{
    CommandLine commandLine;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || !argument.starts_with('-')) {
            commandLine.Files.emplace_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            commandLine.Help = true;
        } else if (argument == "--version") {
            commandLine.Version = true;
        } else {
            const std::size_t equals = argument.find('=');
            const std::optional<HeaderFieldIndex> field =
                FindValueOption(argument.substr(0, equals));
            if (!field)
                throw UsageError("unknown option '" + std::string(argument) + "'");
            std::string_view value;
            if (equals != std::string_view::npos)
                value = argument.substr(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                throw UsageError("option '" + std::string(argument) + "' needs a value");
            commandLine.Settings.Field(*field) = ParseValue(kHeaderFields[*field], value);
        }
    }
    if (!commandLine.Help && !commandLine.Version && commandLine.Files.empty())
        throw UsageError("no FILE given");
    return commandLine;
}

// Patches one file; true when it was patched.
bool PatchOne(const std::string &file, const THeaderSettings &settings,
              const std::string &programDirectory, std::ostream &out, std::ostream &err)
{
    LogFileSelection selection;
    std::optional<std::string> notice;
    const NoticeFunction keepNotice = [&notice](const std::string &text) { notice = text; };
    bool patched = false;
    try {
        if (selection.ApplyDropRule(file, keepNotice)) {
            const PatchOutcome outcome =
                PatchLogFile(selection.CurrentLogPath(), settings, programDirectory);
            patched = outcome == PatchOutcome::Patched;
            notice = NoticeText(outcome);
        }
    } catch (const Exception &error) {
        err << file << ": " << WithFullStop(error.Message()) << '\n';
        return false;
    } catch (const std::bad_alloc &) {
        err << file << ": " << WithFullStop(kOutOfMemoryText) << '\n';
        return false;
    }
    (patched ? out : err) << file << ": " << notice.value_or("") << '\n';
    return patched;
}

} // namespace

int RunPatchTool(const std::vector<std::string> &arguments, const std::string &programDirectory,
                 std::ostream &out, std::ostream &err)
{
    CommandLine commandLine;
    try {
        commandLine = ParseCommandLine(arguments);
    } catch (const UsageError &error) {
        err << kProgramName << ": " << error.Text() << "\n"
            << "Try '" << kProgramName << " --help'.\n";
        return kPatchToolUsageError;
    }
    if (commandLine.Help) {
        out << Usage();
        return kPatchToolAllPatched;
    }
    if (commandLine.Version) {
        out << kProgramName << ' ' << MRFYC_VERSION << '\n';
        return kPatchToolAllPatched;
    }
    bool allPatched = true;
    for (const std::string &file : commandLine.Files) {
        if (!PatchOne(file, commandLine.Settings, programDirectory, out, err))
            allPatched = false;
        out.flush();
        err.flush();
    }
    return allPatched ? kPatchToolAllPatched : kPatchToolSomeFailed;
}

} // namespace mrfyc
