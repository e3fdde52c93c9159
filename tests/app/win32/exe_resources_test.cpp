// SPDX-License-Identifier: MIT
// What mrfyc.exe and mrfyc-patch.exe carry besides their code, read from the built files as
// Windows reads them: the manifest, the icon the shell picks its sizes from, and the version
// information in Japanese and English.
#include "files/program_directory.h"
#include "shell/win32/resource_ids.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace mrfyc::test {
namespace {

struct ProgramCase
{
    const char *Name;
    const char *FromTests; // the file, relative to the test's folder
    const wchar_t *FileName;
    const wchar_t *DescriptionJa;
    const wchar_t *DescriptionEn;
    std::vector<const char *> Manifest; // what the manifest says, each in its own words
};

class ProgramFile : public testing::TestWithParam<ProgramCase>
{
protected:
    void SetUp() override
    {
        const std::string path = ProgramDirectory() + GetParam().FromTests;
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

TEST_P(ProgramFile, CarriesItsManifestAloneIconAndVersionInBothLanguages)
{
    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    for (const char *wanted : GetParam().Manifest)
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
    // A second manifest (the toolchain's default one) would leave it to chance which one counts.
    EXPECT_TRUE(Resource(RT_MANIFEST, MAKEINTRESOURCEW(2)).empty());

    const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(MRFYC_ICON_MAIN));
    // The group's 14-byte entries as the shell reads them: the width first (0 for 256), the bits
    // per pixel at 6.
    std::set<std::pair<int, int>> icons;
    for (std::size_t at = 6; at + 14 <= group.size(); at += 14) {
        const auto width = static_cast<unsigned char>(group[at]);
        icons.emplace(width == 0 ? 256 : width, static_cast<unsigned char>(group[at + 6]));
    }
    EXPECT_EQ(icons,
              (std::set<std::pair<int, int>>{{16, 32}, {24, 32}, {32, 32}, {48, 32}, {256, 32}}));

    std::string version = Resource(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    ASSERT_GT(version.size(), sizeof(VS_FIXEDFILEINFO));
    const auto value = [&version](const wchar_t *block, const wchar_t *name) -> std::wstring {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name;
        void *text = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(version.data(), path.c_str(), &text, &length) || length == 0)
            return L"(none)";
        return std::wstring(static_cast<const wchar_t *>(text), length - 1);
    };
    for (const auto &[block, description] : {std::pair{L"041104B0", GetParam().DescriptionJa},
                                             std::pair{L"040904B0", GetParam().DescriptionEn}}) {
        EXPECT_EQ(value(block, L"OriginalFilename"), GetParam().FileName);
        EXPECT_EQ(value(block, L"FileVersion"), L"" MRFYC_VERSION);
        EXPECT_EQ(value(block, L"ProductName"), L"mrfyc");
        EXPECT_EQ(value(block, L"CompanyName"), L"The mrfyc authors");
        EXPECT_EQ(value(block, L"FileDescription"), description);
    }
}

const char *const kAsInvoker = "level=\"asInvoker\"";
const char *const kWindows10 = "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>";

INSTANTIATE_TEST_SUITE_P(
    Programs, ProgramFile,
    testing::Values(
        ProgramCase{"Window",
                    MRFYC_EXE_FROM_TESTS,
                    L"mrfyc.exe",
                    L"ミルフィ ログのアニメーション データ修正",
                    L"Corrects the animation data of Milfy log files",
                    {"<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
                     "true/pm<",
                     "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                     "WindowsSettings\">PerMonitorV2, PerMonitor<",
                     "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", kAsInvoker,
                     kWindows10}},
        ProgramCase{"PatchTool",
                    MRFYC_PATCH_FROM_TESTS,
                    L"mrfyc-patch.exe",
                    L"ミルフィ ログのアニメーション データ一括修正 (コマンド ライン)",
                    L"Corrects the animation data of many Milfy log files from the command line",
                    {"<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                     "WindowsSettings\">true<",
                     "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/"
                     "WindowsSettings\">UTF-8<",
                     kAsInvoker, kWindows10}}),
    [](const testing::TestParamInfo<ProgramCase> &info) { return std::string(info.param.Name); });

} // namespace
} // namespace mrfyc::test
