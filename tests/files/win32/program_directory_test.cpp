// SPDX-License-Identifier: MIT
#include "files/program_directory.h"
#include "files/win32/module_directory.h"
#include "tests/support/win32/win32_test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace mrfyc {
namespace {

TEST(ProgramDirectory, IsTheFolderOfTheRunningProgram)
{
    const std::string folder = ProgramDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_NE(::GetFileAttributesW(test::Wide(folder + "mrfyc_files_tests.exe").c_str()),
              INVALID_FILE_ATTRIBUTES)
        << folder;
}

// Path lengths in UTF-16 units, as the old cap counts them, and exact, so that they do not
// depend on where the tests run from. Wine starts no program whose path reaches 260 units
// (CreateProcessW fails with ERROR_INVALID_NAME), so a started program lies well below that,
// and the depth beyond it is shown with a module loaded from there.
constexpr std::size_t kStartedProgramPath = 200;
constexpr std::size_t kDeepModulePath = 400;

// Nested folders with names outside code page 932 under base, so that the folder and name
// together are exactly length units long. Returns the folder with its trailing "\".
std::wstring DeepFolder(const test::TestFolder &base, std::size_t length, const std::wstring &name)
{
    const std::wstring segment = L"깊은폴더😀_\\";
    std::wstring folder = test::Wide(base.Path());
    if (folder.size() + 2 * segment.size() + name.size() > length)
        throw std::runtime_error("the tests run from too deep a folder");
    while (folder.size() + 2 * segment.size() + name.size() <= length)
        folder += segment;
    // The last folder's name fills up to the exact length.
    folder += std::wstring(length - folder.size() - name.size() - 1, L'p') + L"\\";
    // Only the \\?\ form reaches that deep.
    const std::wstring created = L"\\\\?\\" + folder;
    for (std::size_t at = created.find(L'\\', 8); at != std::wstring::npos;
         at = created.find(L'\\', at + 1))
        ::CreateDirectoryW(created.substr(0, at).c_str(), nullptr);
    return folder;
}

void CopyBeside(const std::string &builtName, const std::wstring &to)
{
    const std::wstring source = test::Wide(ProgramDirectory() + builtName);
    ASSERT_TRUE(::CopyFileW(source.c_str(), (L"\\\\?\\" + to).c_str(), FALSE)) << ::GetLastError();
}

// A module deeper than 260 units: the whole folder, in UTF-8.
TEST(ProgramDirectory, HasNoLengthCapAndKeepsUnicode)
{
    test::TestFolder base;
    const std::wstring name = L"module.dll";
    const std::wstring folder = DeepFolder(base, kDeepModulePath, name);
    ASSERT_NO_FATAL_FAILURE(CopyBeside("mrfyc_test_module.dll", folder + name));
    const HMODULE module = ::LoadLibraryW((L"\\\\?\\" + folder + name).c_str());
    ASSERT_NE(module, nullptr) << ::GetLastError();
    const std::string found = win32::ModuleDirectory(module);
    ::FreeLibrary(module);
    EXPECT_EQ(folder.size() + name.size(), kDeepModulePath);
    // The system may name it with or without the \\?\ it was loaded through.
    EXPECT_TRUE(found == test::Utf8(folder) || found == "\\\\?\\" + test::Utf8(folder)) << found;
}

// A program started from a folder with names outside code page 932 finds that folder.
TEST(ProgramDirectory, OfAProgramStartedFromAUnicodeFolder)
{
    test::TestFolder base;
    const std::wstring name = L"helper.exe";
    const std::wstring wideFolder = DeepFolder(base, kStartedProgramPath, name);
    const std::string folder = test::Utf8(wideFolder);
    ASSERT_NO_FATAL_FAILURE(CopyBeside("mrfyc_files_helper.exe", wideFolder + name));
    const std::wstring copy = L"\\\\?\\" + wideFolder + name;

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"helper.exe program-dir";
    const std::wstring program = wideFolder + name;
    ASSERT_TRUE(::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                 nullptr, nullptr, &startup, &process))
        << ::GetLastError();
    ::CloseHandle(writeEnd);
    std::string output;
    char buffer[4096];
    DWORD done = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &done, nullptr) && done > 0)
        output.append(buffer, done);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    ::CloseHandle(readEnd);
    ::DeleteFileW(copy.c_str());
    EXPECT_EQ(output, folder);
}

} // namespace
} // namespace mrfyc
