// SPDX-License-Identifier: MIT
#include "tools/patch_tool.h"

#include "core/errors.h"
#include "core/log_file_selection.h"
#include "core/log_patch.h"
#include "tools/header_check.h"
#include "tools/patch_messages.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <new>
#include <optional>

namespace mrfyc {

namespace {

struct TValueOption
{
    std::string_view Name;
    std::int32_t Minimum;
    std::int32_t Maximum;
    std::int32_t THeaderSettings::*Field;
};

// The ranges of the window's fields.
constexpr std::array kValueOptions{
    TValueOption{"--width", 0, 65536, &THeaderSettings::ImageWidth},
    TValueOption{"--height", 0, 65536, &THeaderSettings::ImageHeight},
    TValueOption{"--lines", 0, 2147483647, &THeaderSettings::LineCount},
    TValueOption{"--quality", 1, 9, &THeaderSettings::Quality},
};

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

struct TCommandLine
{
    THeaderSettings Settings;
    std::vector<std::string> Files;
    RunMode Mode = RunMode::Patch;
    bool Help = false;
    bool Version = false;
};

std::int32_t ParseValue(const TValueOption &option, std::string_view text,
                        const PatchMessages &messages)
{
    long long value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error == std::errc::invalid_argument || stop != end)
        throw UsageError(messages.InvalidNumber(option.Name, text));
    if (error == std::errc::result_out_of_range || value < option.Minimum || value > option.Maximum)
        throw UsageError(messages.OutOfRange(option.Name, text, option.Minimum, option.Maximum));
    return static_cast<std::int32_t>(value);
}

const TValueOption *FindValueOption(std::string_view name)
{
    for (const TValueOption &option : kValueOptions) {
        if (option.Name == name)
            return &option;
    }
    return nullptr;
}

void SetMode(TCommandLine &commandLine, RunMode mode, const PatchMessages &messages)
{
    if (commandLine.Mode != RunMode::Patch && commandLine.Mode != mode)
        throw UsageError(std::string(messages.CheckWithSkip()));
    commandLine.Mode = mode;
}

// Reads one option; i moves past its value when the value is the next argument.
void ParseOption(const std::vector<std::string> &arguments, std::size_t &i,
                 TCommandLine &commandLine, const PatchMessages &messages)
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
        const TValueOption *option = FindValueOption(argument.substr(0, equals));
        if (option == nullptr)
            throw UsageError(messages.UnknownOption(argument));
        std::string_view value;
        if (equals != std::string_view::npos)
            value = argument.substr(equals + 1);
        else if (i + 1 < arguments.size())
            value = arguments[++i];
        else
            throw UsageError(messages.NeedsValue(argument));
        commandLine.Settings.*(option->Field) = ParseValue(*option, value, messages);
    }
}

TCommandLine ParseCommandLine(const std::vector<std::string> &arguments,
                              const PatchMessages &messages)
{
    TCommandLine commandLine;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || !argument.starts_with('-'))
            commandLine.Files.emplace_back(argument);
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
    Failed
};

class FileRun
{
public:
    FileRun(const TCommandLine &commandLine, const std::string &programDirectory,
            const PatchMessages &messages, std::ostream &out, std::ostream &err)
        : m_commandLine(commandLine), m_programDirectory(programDirectory), m_messages(messages),
          m_out(out), m_err(err)
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
        TLogFileSelection selection;
        std::optional<std::string> notice;
        const NoticeFunction keepNotice = [&notice](const std::string &text) { notice = text; };
        if (!selection.ApplyDropRule(file, keepNotice)) {
            m_err << m_messages.Unsupported(file) << '\n';
            return Outcome::Failed;
        }
        const std::string &path = selection.CurrentLogPath();
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
        const THeaderSettings &settings = m_commandLine.Settings;
        PatchLogFile(
            path, [&settings] { return settings; }, m_programDirectory, keepNotice);
        if (notice != kNoticePatched) {
            m_err << "mrfyc-patch: " << file << ": " << notice.value_or("") << '\n';
            return Outcome::Failed;
        }
        Report(file, m_messages.Patched());
        return Outcome::Done;
    }

    void Report(const std::string &file, std::string_view outcome)
    {
        m_out << file << ": " << outcome << '\n';
    }

    const TCommandLine &m_commandLine;
    const std::string &m_programDirectory;
    const PatchMessages &m_messages;
    std::ostream &m_out;
    std::ostream &m_err;
};

int ExitStatus(RunMode mode, bool anyFailed, bool anyHeader)
{
    if (mode != RunMode::Check)
        return anyFailed ? kPatchToolSomeFailed : kPatchToolAllPatched;
    if (anyFailed)
        return kPatchToolCheckFailed;
    return anyHeader ? kPatchToolSomeHeader : kPatchToolNoHeader;
}

} // namespace

int RunPatchTool(const std::vector<std::string> &arguments, const std::string &programDirectory,
                 MessageLanguage language, std::ostream &out, std::ostream &err)
{
    const PatchMessages messages(language);
    TCommandLine commandLine;
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
    FileRun run(commandLine, programDirectory, messages, out, err);
    bool anyFailed = false;
    bool anyHeader = false;
    for (const std::string &file : commandLine.Files) {
        const Outcome outcome = run.Run(file);
        anyFailed = anyFailed || outcome == Outcome::Failed;
        anyHeader = anyHeader || outcome == Outcome::HasHeader;
        out.flush();
        err.flush();
    }
    return ExitStatus(commandLine.Mode, anyFailed, anyHeader);
}

} // namespace mrfyc
