// SPDX-License-Identifier: MIT
#pragma once

#include "tests/support/test_folder.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mrfyc::test {

std::wstring Wide(const std::string &utf8);
std::string Utf8(const std::wstring &wide);

// A log's contents: no byte repeats at a short period, so a shifted or lost block shows.
std::string Pattern(std::uint64_t size, unsigned seed = 1);
std::string ReadWhole(const std::string &path);
void WriteWhole(const std::string &path, const std::string &contents);
// Writes size bytes of Pattern(size) in blocks, so that big logs need no big buffer.
void WritePattern(const std::string &path, std::uint64_t size);
// Compares a file to prefix + Pattern(size) in blocks.
bool HoldsPrefixAndPattern(const std::string &path, const std::string &prefix, std::uint64_t size);
std::uint64_t SizeOf(const std::string &path);

// The helper program beside the tests (or another program), started with the given arguments.
class HelperProcess
{
public:
    explicit HelperProcess(const std::vector<std::string> &arguments);
    HelperProcess(const std::wstring &program, const std::vector<std::string> &arguments);
    HelperProcess(const HelperProcess &) = delete;
    HelperProcess &operator=(const HelperProcess &) = delete;
    ~HelperProcess(); // kills it when still running

    // Waits (generously) until the helper has set the named event; false on time-out or exit.
    bool WaitReady(const std::string &eventName);
    // Exit code, or STILL_ACTIVE after the time-out.
    DWORD Wait(DWORD milliseconds);
    void Kill();

private:
    PROCESS_INFORMATION m_info = {};
};

// What a program that ran to its end said and returned.
struct ProgramRun
{
    DWORD Exit = STILL_ACTIVE;
    std::string Out;
    std::string Err;
};

// Runs program with arguments (UTF-8) and this process's environment changed by overrides
// ("NAME=value" sets, "NAME=" removes), and waits for it.
ProgramRun RunProgram(const std::wstring &program, const std::vector<std::string> &arguments,
                      const std::vector<std::string> &overrides);

// A fresh, unique event name for one helper start.
std::string UniqueEventName();

} // namespace mrfyc::test
