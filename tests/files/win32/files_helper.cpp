// SPDX-License-Identifier: MIT
// A second process for the file layer's tests: holds a file the way another program would, or
// runs one patch so that the tests can kill it part-way.
//   hold-write PATH EVENT     opens PATH for writing (sharing read and write), sets EVENT, waits
//   hold-read PATH EVENT      the same, opened for reading: others may read and write, not delete
//   hold-patch PATH EVENT     opens PATH as a patch would, sets EVENT, waits
//   leave-new-file PATH EVENT makes PATH's new file as a patch does up to the instant before the
//                             rename, when only a kill leaves it behind; sets EVENT, waits
//   hold-scratch PATH EVENT MS  writes the scratch file PATH, sets EVENT, keeps it MS ms, closes
//   prepend PATH TEXT         puts TEXT in front of PATH; exit 0, or 1 with the message
//   program-dir               prints the program's folder
#include "files/log_replacement.h"
#include "files/program_directory.h"
#include "files/scratch_file.h"
#include "files/win32/replacement_file.h"
#include "files/win32/wide_text.h"
#include "rules/errors.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Signal(const std::string &eventName)
{
    const std::wstring name = *mrfyc::win32::ToWide(eventName);
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    ::SetEvent(event);
}

int Run(const std::vector<std::string> &args)
{
    const std::string &mode = args.at(0);
    if (mode == "hold-write" || mode == "hold-read") {
        const HANDLE file =
            ::CreateFileW(mrfyc::win32::ToWide(args.at(1))->c_str(),
                          mode == "hold-read" ? GENERIC_READ : GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 3;
        Signal(args.at(2));
        ::Sleep(INFINITE);
    } else if (mode == "hold-patch") {
        mrfyc::LogReplacement log(args.at(1));
        log.Open();
        Signal(args.at(2));
        ::Sleep(INFINITE);
    } else if (mode == "hold-scratch") {
        mrfyc::ScratchFile scratch = mrfyc::ScratchFile::Write(args.at(1), "held");
        Signal(args.at(2));
        ::Sleep(static_cast<DWORD>(std::stoul(args.at(3))));
        scratch.Close();
    } else if (mode == "leave-new-file") {
        mrfyc::win32::ReplacementFile file(*mrfyc::win32::ToWide(args.at(1)));
        FILE_DISPOSITION_INFO kept = {};
        if (!file.Create() || !file.File().WriteAll("new", 3) || !file.Finish({}) ||
            !::SetFileInformationByHandle(file.File().Get(), FileDispositionInfo, &kept,
                                          sizeof kept))
            return 3;
        Signal(args.at(2));
        ::Sleep(INFINITE);
    } else if (mode == "prepend") {
        mrfyc::LogReplacement log(args.at(1));
        log.Open();
        log.Prepend(args.at(2));
    } else if (mode == "program-dir") {
        std::fputs(mrfyc::ProgramDirectory().c_str(), stdout);
    } else {
        return 2;
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(mrfyc::win32::ToUtf8(argv[i]));
    if (args.empty())
        return 2;
    try {
        return Run(args);
    } catch (const mrfyc::Exception &error) {
        std::fprintf(stderr, "%s\n", error.Message().c_str());
        return 1;
    }
}
