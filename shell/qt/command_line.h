// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

namespace mrfyc {

// The file that mrfyc was started with (FileArgumentIndex), as its bytes, made absolute against
// the working folder (as a dropped file's path is). Qt's own options must already be taken out of
// argv.
std::optional<std::string> FileArgument(int argc, const char *const *argv);

// Qt reads its own options (-stylesheet, -platform...) anywhere on the command line, but after
// "--" every argument is a file name: Qt is given the arguments before "--" alone, and
// RejoinFileArguments puts the rest back behind what Qt left of them.
int ArgumentsBeforeOptionsEnd(int argc, const char *const *argv);
// The new argc; argv[optionsEnd, argc) follows argv[0, qtArgc) again.
int RejoinFileArguments(int argc, char **argv, int optionsEnd, int qtArgc);

// --help and --version (and -h, -v): answered on standard output without opening a window, so
// they work without a display. Returns the exit code when one of them was given.
std::optional<int> AnswerInformationOptions(int &argc, char **argv);

} // namespace mrfyc
