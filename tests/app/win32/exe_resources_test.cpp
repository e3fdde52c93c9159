// SPDX-License-Identifier: MIT
// What mrfyc.exe carries besides its code, read from the built file as Windows reads it: the
// manifest that keeps Windows from stretching the window and gives it the current controls, the
// icon the shell loads, and the version.
#include "files/program_directory.h"
#include "shell/win32/resource_ids.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace mrfyc::test {
namespace {

class ProgramFile : public testing::Test
{
protected:
    void SetUp() override
    {
        const std::string path = ProgramDirectory() + MRFYC_EXE_FROM_TESTS;
        const std::wstring wide(path.begin(), path.end()); // the build tree's path is ASCII
        m_module = LoadLibraryExW(wide.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_module, nullptr) << path;
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    std::string Resource(LPCWSTR type, LPCWSTR name) const
    {
        HRSRC found = FindResourceW(m_module, name, type);
        if (!found)
            return {};
        const auto *data = static_cast<const char *>(LockResource(LoadResource(m_module, found)));
        return std::string(data, SizeofResource(m_module, found));
    }

    HMODULE m_module = nullptr;
};

TEST_F(ProgramFile, ManifestAsksForPerMonitorAwarenessCommonControlsAndNoElevation)
{
    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    for (const char *wanted :
         {"<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm<",
          "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
          "PerMonitorV2, PerMonitor<",
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "level=\"asInvoker\""})
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
    // A second manifest (the toolchain's default one) would leave it to chance which one counts.
    EXPECT_TRUE(Resource(RT_MANIFEST, MAKEINTRESOURCEW(2)).empty());
}

TEST_F(ProgramFile, CarriesTheIconAndItsVersion)
{
    EXPECT_NE(FindResourceW(m_module, MAKEINTRESOURCEW(MRFYC_ICON_MAIN), RT_GROUP_ICON), nullptr);
    const std::string version = Resource(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    ASSERT_GT(version.size(), sizeof(VS_FIXEDFILEINFO));
    const std::wstring text(reinterpret_cast<const wchar_t *>(version.data()),
                            version.size() / sizeof(wchar_t));
    EXPECT_NE(text.find(L"OriginalFilename"), std::wstring::npos);
    EXPECT_NE(text.find(L"mrfyc.exe"), std::wstring::npos);
    EXPECT_NE(text.find(L"" MRFYC_VERSION), std::wstring::npos);
}

} // namespace
} // namespace mrfyc::test
