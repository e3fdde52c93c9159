// SPDX-License-Identifier: MIT
#include "tools/patch_tool.h"

#include "files/log_patch.h"
#include "rules/errors.h"
#include "rules/log_file_selection.h"
#include "tools/header_check.h"
#include "tools/patch_messages.h"
#include "tools/system.h"

#include <charconv>
#include <cstdint>
#include <new>
#include <optional>

namespace mrfyc {

namespace {

class UsageError
{
public:
    explicit UsageError(std::string text) : m_text(std::move(text)) {}
    const std::string &Text() const { return m_text; }

private:
    std::string m_text;
};

enum class RunMode
{
    Patch,
    Check,
    SkipPatched
};

struct CommandLine
{
    THeaderSettings Settings;
    std::vector<std::string> Files;
    RunMode Mode = RunMode::Patch;
    bool Help = false;
    bool Version = false;
};

std::int32_t ParseValue(const HeaderField &option, std::string_view text,
                        const PatchMessages &messages)
{
    long long value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error == std::errc::invalid_argument || stop != end)
        throw UsageError(messages.InvalidNumber(option.Option, text));
    if (error == std::errc::result_out_of_range || value < option.Minimum || value > option.Maximum)
        throw UsageError(messages.OutOfRange(option.Option, text, option.Minimum, option.Maximum));
    return static_cast<std::int32_t>(value);
}

// The options are the header fields' own, with their ranges.
std::optional<HeaderFieldIndex> FindValueOption(std::string_view name)
{
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index)
        if (kHeaderFields[index].Option == name)
            return static_cast<HeaderFieldIndex>(index);
    return std::nullopt;
}

void SetMode(CommandLine &commandLine, RunMode mode, const PatchMessages &messages)
{
    if (commandLine.Mode != RunMode::Patch && commandLine.Mode != mode)
        throw UsageError(std::string(messages.CheckWithSkip()));
    commandLine.Mode = mode;
}

// Reads one option; i moves past its value when the value is the next argument.
void ParseOption(const std::vector<std::string> &arguments, std::size_t &i,
                 CommandLine &commandLine, const PatchMessages &messages)
{
    const std::string_view argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
        commandLine.Help = true;
    } else if (argument == "--version" || argument == "-V") {
        commandLine.Version = true;
    } else if (argument == "--check") {
        SetMode(commandLine, RunMode::Check, messages);
    } else if (argument == "--skip-patched") {
        SetMode(commandLine, RunMode::SkipPatched, messages);
    } else {
        const std::size_t equals = argument.find('=');
        const std::optional<HeaderFieldIndex> field = FindValueOption(argument.substr(0, equals));
        if (!field)
            throw UsageError(messages.UnknownOption(argument));
        std::string_view value;
        if (equals != std::string_view::npos)
            value = argument.substr(equals + 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        else
            throw UsageError(messages.NeedsValue(argument));
        commandLine.Settings.Field(*field) = ParseValue(kHeaderFields[*field], value, messages);
    }
}

CommandLine ParseCommandLine(const std::vector<std::string> &arguments,
                             const PatchMessages &messages)
{
    CommandLine commandLine;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || !argument.starts_with('-'))
            for (std::string &file : ExpandFileArgument(arguments[i]))
                commandLine.Files.push_back(std::move(file));

        else if (argument == "--")
            optionsEnded = true;
        else
            ParseOption(arguments, i, commandLine, messages);
    }
    if (!commandLine.Help && !commandLine.Version && commandLine.Files.empty())
        throw UsageError(std::string(messages.NoFile()));
    return commandLine;
}

enum class Outcome
{
    Done,
    HasHeader,
    Failed,
    NeedsRecovery
};

class FileRun
{
public:
    FileRun(const CommandLine &commandLine, const std::string &programDirectory,
            const RecoveryReport &recovery, const PatchMessages &messages, std::ostream &out,
            std::ostream &err)
        : m_commandLine(commandLine), m_programDirectory(programDirectory), m_recovery(recovery),
          m_messages(messages), m_out(out), m_err(err)
    {}

    Outcome Run(const std::string &file)
    {
        try {
            return RunUnguarded(file);
        } catch (const Exception &error) {
            m_err << m_messages.Failure(file, error) << '\n';
        } catch (const std::bad_alloc &) {
            m_err << m_messages.OutOfMemory(file) << '\n';
        }
        return Outcome::Failed;
    }

private:
    Outcome RunUnguarded(const std::string &file)
    {
        LogFileSelection selection;
        const NoticeFunction ignoreNotice = [](const std::string &) {};
        if (!selection.ApplyDropRule(file, ignoreNotice)) {
            m_err << m_messages.Unsupported(file) << '\n';
            return Outcome::Failed;
        }
        const std::string &path = selection.CurrentLogPath();
        // Half-moved: neither its start nor a header put in front of it would mean anything.
        if (m_recovery.For(path) != nullptr) {
            if (m_commandLine.Mode == RunMode::Check)
                Report(file, m_messages.NeedsRecovery());
            else
                m_err << m_messages.NotPatchedNeedsRecovery(file) << '\n';
            return Outcome::NeedsRecovery;
        }
        if (m_commandLine.Mode == RunMode::Check) {
            const bool hasHeader = FileBeginsWithHeader(path);
            Report(file, hasHeader ? m_messages.HasHeader() : m_messages.NoHeader());
            return hasHeader ? Outcome::HasHeader : Outcome::Done;
        }
        // Not atomic with the patch: a second run at the same moment may still stack a header.
        if (m_commandLine.Mode == RunMode::SkipPatched && FileBeginsWithHeader(path)) {
            Report(file, m_messages.SkippedPatched());
            return Outcome::Done;
        }
        const PatchOutcome outcome = PatchLogFile(path, m_commandLine.Settings, m_programDirectory);
        if (outcome != PatchOutcome::Patched) {
            m_err << "mrfyc-patch: " << file << ": " << NoticeText(outcome) << '\n';
            return Outcome::Failed;
        }
        Report(file, m_messages.Patched());
        return Outcome::Done;
    }

    void Report(const std::string &file, std::string_view outcome)
    {
        m_out << file << ": " << outcome << '\n';
    }

    const CommandLine &m_commandLine;
    const std::string &m_programDirectory;
    const RecoveryReport &m_recovery;
    const PatchMessages &m_messages;
    std::ostream &m_out;
    std::ostream &m_err;
};

int ExitStatus(RunMode mode, bool anyFailed, bool anyHeader, bool anyNeedsRecovery)
{
    if (mode != RunMode::Check)
        return anyFailed || anyNeedsRecovery ? kPatchToolSomeFailed : kPatchToolAllPatched;
    if (anyNeedsRecovery)
        return kPatchToolNeedsRecovery;
    if (anyFailed)
        return kPatchToolCheckFailed;
    return anyHeader ? kPatchToolSomeHeader : kPatchToolNoHeader;
}

} // namespace

int RunPatchTool(const std::vector<std::string> &arguments, const std::string &programDirectory,
                 MessageLanguage language, std::ostream &out, std::ostream &err,
                 const RecoveryReport &recovery)
{
    const PatchMessages messages(language);
    for (const WaitingRewrite &waiting : recovery.Waiting)
        if (waiting.Why != WaitingRewrite::Reason::Busy)
            err << messages.RecoveryWaits(waiting) << '\n';
    CommandLine commandLine;
    try {
        commandLine = ParseCommandLine(arguments, messages);
    } catch (const UsageError &error) {
        err << "mrfyc-patch: " << error.Text() << '\n' << messages.TryHelp() << '\n';
        return kPatchToolUsageError;
    }
    if (commandLine.Help) {
        out << messages.Help();
        return kPatchToolAllPatched;
    }
    if (commandLine.Version) {
        out << messages.Version();
        return kPatchToolAllPatched;
    }
    FileRun run(commandLine, programDirectory, recovery, messages, out, err);
    bool anyFailed = false;
    bool anyHeader = false;
    bool anyNeedsRecovery = false;
    for (const std::string &file : commandLine.Files) {
        const Outcome outcome = run.Run(file);
        anyFailed = anyFailed || outcome == Outcome::Failed;
        anyHeader = anyHeader || outcome == Outcome::HasHeader;
        anyNeedsRecovery = anyNeedsRecovery || outcome == Outcome::NeedsRecovery;
        out.flush();
        err.flush();
    }
    return ExitStatus(commandLine.Mode, anyFailed, anyHeader, anyNeedsRecovery);
}

} // namespace mrfyc
