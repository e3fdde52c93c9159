// SPDX-License-Identifier: MIT
#include "win32_test_support.h"

#include "files/program_directory.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace mrfyc::test {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;
constexpr DWORD kReadyTimeoutMs = 60000; // Wine starts a process slowly on a loaded machine

void RemoveTree(const std::wstring &folder)
{
    WIN32_FIND_DATAW found = {};
    const HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + name;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\");
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

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

} // namespace

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

TestFolder::TestFolder()
{
    static std::atomic<unsigned> counter{0};
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    std::wstring base = current;
    if (base.back() != L'\\')
        base += L'\\';
    for (;;) {
        const std::wstring path = base + L"t" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(++counter);
        if (::CreateDirectoryW(path.c_str(), nullptr)) {
            m_path = Utf8(path) + "\\";
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a test folder");
    }
}

TestFolder::~TestFolder()
{
    // The \\?\ form, so that folders deeper than 260 characters go too.
    RemoveTree(L"\\\\?\\" + Wide(m_path));
}

std::vector<std::string> TestFolder::Names() const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = ::FindFirstFileW((Wide(m_path) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(Utf8(name));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
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
{
    const std::wstring program = Wide(ProgramDirectory()) + L"mrfyc_files_helper.exe";
    std::wstring commandLine = QuoteArgument(program);
    for (const std::string &argument : arguments)
        commandLine += L" " + QuoteArgument(Wide(argument));
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
