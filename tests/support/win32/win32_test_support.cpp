// SPDX-License-Identifier: MIT
#include "tests/support/win32/win32_test_support.h"

#include "files/program_directory.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <stdexcept>
#include <thread>

namespace mrfyc::test {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;
constexpr DWORD kReadyTimeoutMs = 60000; // Wine starts a process slowly on a loaded machine

HANDLE OpenOrThrow(const std::string &path, DWORD access, DWORD creation)
{
    // Reading must work beside a helper that holds the file for writing.
    const DWORD share =
        access == GENERIC_READ ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    const HANDLE file = ::CreateFileW(Wide(path).c_str(), access, share, nullptr, creation,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open " + path);
    return file;
}

std::wstring QuoteArgument(const std::wstring &argument)
{
    // Enough for the arguments the tests pass: no quote or trailing backslash inside.
    return L"\"" + argument + L"\"";
}

std::wstring CommandLine(const std::wstring &program, const std::vector<std::string> &arguments)
{
    std::wstring commandLine = QuoteArgument(program);
    for (const std::string &argument : arguments)
        commandLine += L" " + QuoteArgument(Wide(argument));
    return commandLine;
}

std::wstring EnvironmentBlock(const std::vector<std::string> &overrides)
{
    std::vector<std::wstring> entries;
    const wchar_t *strings = ::GetEnvironmentStringsW();
    for (const wchar_t *at = strings; *at != L'\0'; at += std::wcslen(at) + 1)
        entries.emplace_back(at);
    ::FreeEnvironmentStringsW(const_cast<wchar_t *>(strings));
    for (const std::string &entry : overrides) {
        const std::wstring wide = Wide(entry);
        const std::wstring name = wide.substr(0, wide.find(L'=') + 1);
        std::erase_if(entries, [&name](const std::wstring &old) {
            return ::CompareStringOrdinal(
                       old.c_str(), static_cast<int>(std::min(old.size(), name.size())),
                       name.c_str(), static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
        });
        if (wide.size() > name.size())
            entries.push_back(wide);
    }
    std::wstring block;
    for (const std::wstring &entry : entries)
        block += entry + L'\0';
    return block + L'\0';
}

// Reads a pipe to its end on a thread of its own, so that neither pipe fills up and stalls the
// program while the other is read.
class PipeReader
{
public:
    explicit PipeReader(HANDLE pipe)
        : m_thread([this, pipe] {
              char buffer[4096];
              DWORD done = 0;
              while (::ReadFile(pipe, buffer, sizeof buffer, &done, nullptr) && done > 0)
                  m_text.append(buffer, done);
              ::CloseHandle(pipe);
          })
    {}
    std::string Finish()
    {
        m_thread.join();
        return m_text;
    }

private:
    std::string m_text;
    std::thread m_thread;
};

} // namespace

ProgramRun RunProgram(const std::wstring &program, const std::vector<std::string> &arguments,
                      const std::vector<std::string> &overrides)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !::CreatePipe(&errRead, &errWrite, &inherit, 0))
        throw std::runtime_error("cannot make pipes");
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::wstring commandLine = CommandLine(program, arguments);
    std::wstring environment = EnvironmentBlock(overrides);
    PROCESS_INFORMATION process = {};
    const bool started = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                                          TRUE, CREATE_UNICODE_ENVIRONMENT, environment.data(),
                                          nullptr, &startup, &process);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    PipeReader out(outRead);
    PipeReader err(errRead);
    ProgramRun run;
    if (started) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &run.Exit);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    run.Out = out.Finish();
    run.Err = err.Finish();
    if (!started)
        throw std::runtime_error("cannot start " + Utf8(program));
    return run;
}

std::wstring Wide(const std::string &utf8)
{
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                          length);
    return wide;
}

std::string Utf8(const std::wstring &wide)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                          length, nullptr, nullptr);
    return narrow;
}

std::string Pattern(std::uint64_t size, unsigned seed)
{
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::uint32_t state = 2463534242u ^ seed;
    for (char &byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    return bytes;
}

std::string ReadWhole(const std::string &path)
{
    const HANDLE file = OpenOrThrow(path, GENERIC_READ, OPEN_EXISTING);
    std::string contents;
    std::string block(kBlock, '\0');
    DWORD done = 0;
    while (::ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &done, nullptr) &&
           done > 0)
        contents.append(block.data(), done);
    ::CloseHandle(file);
    return contents;
}

void WriteWhole(const std::string &path, const std::string &contents)
{
    const HANDLE file = OpenOrThrow(path, GENERIC_WRITE, CREATE_ALWAYS);
    DWORD done = 0;
    const bool ok =
        contents.empty() ||
        (::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &done, nullptr) &&
         done == contents.size());
    ::CloseHandle(file);
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

// The pattern restarts every block; the seed per block keeps blocks apart from each other.
void WritePattern(const std::string &path, std::uint64_t size)
{
    const HANDLE file = OpenOrThrow(path, GENERIC_WRITE, CREATE_ALWAYS);
    bool ok = true;
    for (std::uint64_t at = 0; ok && at < size; at += kBlock) {
        const std::string block = Pattern(std::min<std::uint64_t>(kBlock, size - at),
                                          static_cast<unsigned>(at / kBlock) + 1);
        DWORD done = 0;
        ok = ::WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &done, nullptr) &&
             done == block.size();
    }
    ::CloseHandle(file);
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

bool HoldsPrefixAndPattern(const std::string &path, const std::string &prefix, std::uint64_t size)
{
    if (SizeOf(path) != prefix.size() + size)
        return false;
    const HANDLE file = OpenOrThrow(path, GENERIC_READ, OPEN_EXISTING);
    std::string head(prefix.size(), '\0');
    DWORD done = 0;
    bool same = prefix.empty() ||
                (::ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &done, nullptr) &&
                 done == head.size() && head == prefix);
    std::string block(kBlock, '\0');
    for (std::uint64_t at = 0; same && at < size; at += kBlock) {
        const std::string expected = Pattern(std::min<std::uint64_t>(kBlock, size - at),
                                             static_cast<unsigned>(at / kBlock) + 1);
        same =
            ::ReadFile(file, block.data(), static_cast<DWORD>(expected.size()), &done, nullptr) &&
            done == expected.size() && block.compare(0, done, expected) == 0;
    }
    ::CloseHandle(file);
    return same;
}

std::uint64_t SizeOf(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        throw std::runtime_error("no such file " + path);
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

HelperProcess::HelperProcess(const std::vector<std::string> &arguments)
    : HelperProcess(Wide(ProgramDirectory()) + L"mrfyc_files_helper.exe", arguments)
{}

HelperProcess::HelperProcess(const std::wstring &program, const std::vector<std::string> &arguments)
{
    std::wstring commandLine = CommandLine(program, arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &m_info))
        throw std::runtime_error("cannot start the helper");
}

HelperProcess::~HelperProcess()
{
    Kill();
    ::CloseHandle(m_info.hThread);
    ::CloseHandle(m_info.hProcess);
}

bool HelperProcess::WaitReady(const std::string &eventName)
{
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, Wide(eventName).c_str());
    const HANDLE both[] = {event, m_info.hProcess};
    const DWORD woken = ::WaitForMultipleObjects(2, both, FALSE, kReadyTimeoutMs);
    ::CloseHandle(event);
    return woken == WAIT_OBJECT_0;
}

DWORD HelperProcess::Wait(DWORD milliseconds)
{
    ::WaitForSingleObject(m_info.hProcess, milliseconds);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

void HelperProcess::Kill()
{
    if (Wait(0) == STILL_ACTIVE) {
        ::TerminateProcess(m_info.hProcess, 9);
        ::WaitForSingleObject(m_info.hProcess, INFINITE);
    }
}

std::string UniqueEventName()
{
    static std::atomic<unsigned> counter{0};
    return "Local\\mrfyc-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

} // namespace mrfyc::test
