// SPDX-License-Identifier: MIT
#include "files/program_directory.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

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

// A program deeper than 260 characters, in folders with names outside code page 932.
TEST(ProgramDirectory, HasNoLengthCapAndKeepsUnicode)
{
    test::TestFolder base;
    std::string folder = base.Path();
    while (folder.size() < 400)
        folder += "깊은폴더😀_" + std::to_string(folder.size()) + "\\";
    // Only the \\?\ form reaches that deep.
    const std::wstring created = L"\\\\?\\" + test::Wide(folder);
    for (std::size_t at = created.find(L'\\', 8); at != std::wstring::npos;
         at = created.find(L'\\', at + 1))
        ::CreateDirectoryW(created.substr(0, at).c_str(), nullptr);
    const std::wstring source = test::Wide(ProgramDirectory() + "mrfyc_files_helper.exe");
    const std::wstring copy = created + L"helper.exe";
    ASSERT_TRUE(::CopyFileW(source.c_str(), copy.c_str(), FALSE)) << ::GetLastError();

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
    const std::wstring program = test::Wide(folder) + L"helper.exe";
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
    // The system may name it with or without the \\?\ it was started through.
    EXPECT_TRUE(output == folder || output == "\\\\?\\" + folder) << output;
}

} // namespace
} // namespace mrfyc
