// SPDX-License-Identifier: MIT
#include "shell/qt/command_line.h"

#include "rules/file_argument.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace mrfyc {

namespace {

bool IsInformationOption(std::string_view argument)
{
    return argument == "--help" || argument == "-h" || argument == "-?" ||
           argument == "--help-all" || argument == "--version" || argument == "-v";
}

std::string Absolute(const std::string &path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

void WriteToStdout(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

} // namespace

std::optional<std::string> FileArgument(int argc, const char *const *argv)
{
    if (const std::optional<int> index = FileArgumentIndex(argc, argv))
        return Absolute(argv[*index]);
    return std::nullopt;
}

int ArgumentsBeforeOptionsEnd(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--")
            return i;
    return argc;
}

int RejoinFileArguments(int argc, char **argv, int optionsEnd, int qtArgc)
{
    std::copy(argv + optionsEnd, argv + argc, argv + qtArgc);
    const int joined = qtArgc + (argc - optionsEnd);
    argv[joined] = nullptr;
    return joined;
}

std::optional<int> AnswerInformationOptions(int &argc, char **argv)
{
    bool asked = false;
    for (int i = 1; i < argc && std::string_view(argv[i]) != "--"; ++i)
        asked = asked || IsInformationOption(argv[i]);
    if (!asked)
        return std::nullopt;

    // A plain core application: no platform, no display.
    const QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mrfyc"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MRFYC_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the seven-line header that ミルフィ drawing-chat logs need in front of a log.\n"
        "Opens the window with FILE chosen, as if it had been dropped on it."));
    parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The log to open (*.mrfy or *.tmp)."),
                                 QStringLiteral("[FILE]"));
    // Qt's own options (-platform and others) are unknown here; only the answer matters.
    (void)parser.parse(QCoreApplication::arguments());
    if (parser.isSet(version)) {
        WriteToStdout(QStringLiteral("mrfyc %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    WriteToStdout(parser.helpText());
    return 0;
}

} // namespace mrfyc
