// SPDX-License-Identifier: MIT
#include "rules/errors.h"
#include "shell/win32/application.h"
#include "shell/win32/error_report.h"
#include "shell/win32/message_form.h"
#include "shell/win32/message_loop.h"
#include "shell/win32/notice.h"
#include "shell/win32/test_seams.h"
#include "window_steps.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace mrfyc::test {
namespace {

std::wstring TextOf(HWND window)
{
    wchar_t text[1024]{};
    GetWindowTextW(window, text, 1024);
    return text;
}

TEST(Notice, BeepsBeforeTheDialogCaptionedWithTheTitle)
{
    std::vector<BeepKind> beeps;
    BeepSeam().Set([&](BeepKind kind) { beeps.push_back(kind); });
    std::vector<BeepKind> beepsWhenShown;
    WindowSteps steps(TMessageForm::ClassName, {[&](HWND dialog) {
                          beepsWhenShown = beeps;
                          EXPECT_EQ(TextOf(dialog), L"mrfyc");
                          EXPECT_EQ(TextOf(FindWindowExW(dialog, nullptr, L"Static", nullptr)),
                                    L"非対応の形式です");
                          PostKey(VK_ESCAPE);
                      }});
    ShowNotice("非対応の形式です");
    BeepSeam().Set(nullptr);
    EXPECT_TRUE(steps.Finished());
    EXPECT_EQ(beepsWhenShown, std::vector<BeepKind>{BeepKind::Notice});
    EXPECT_EQ(beeps, std::vector<BeepKind>{BeepKind::Notice});
}

class ErrorReport : public testing::Test
{
protected:
    void SetUp() override
    {
        ErrorReportSeam().Set([this](const std::string &text) { m_shown.push_back(text); });
    }
    void TearDown() override { ErrorReportSeam().Set(nullptr); }
    std::vector<std::string> m_shown;
};

struct ReportCase
{
    const char *Name;
    std::function<void()> Command;
    std::vector<std::string> Shown;
};

class ErrorsEscapingCommands : public ErrorReport, public testing::WithParamInterface<ReportCase>
{
};

TEST_P(ErrorsEscapingCommands, AreReportedAndTheProgramGoesOn)
{
    EXPECT_NO_THROW(RunCommand(GetParam().Command));
    EXPECT_EQ(m_shown, GetParam().Shown);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ErrorsEscapingCommands,
    testing::Values(ReportCase{"FileOpen",
                               [] { throw EFOpenError(FileOpenErrorText("C:\\ログ\\a.mrfy")); },
                               {"ファイル C:\\ログ\\a.mrfy は開けません."}},
                    ReportCase{"FileCreate",
                               [] { throw EFCreateError(FileCreateErrorText("C:\\Temp.txt")); },
                               {"ファイル C:\\Temp.txt を作成できません."}},
                    ReportCase{"BadAlloc", [] { throw std::bad_alloc(); }, {"メモリが足りません."}},
                    ReportCase{"StandardError", [] { throw std::runtime_error("x"); }, {"x."}},
                    ReportCase{"StopKept", [] { throw EWriteError("end."); }, {"end."}},
                    ReportCase{"AbortSilent", [] { throw EAbort("never shown"); }, {}},
                    ReportCase{"NoError", [] {}, {}}),
    [](const auto &info) { return std::string(info.param.Name); });

constexpr wchar_t kMainClass[] = L"MrfycTestMain";

// A top-level window of the main window's size and place, in a class of its own.
HWND CreateTopLevel(HINSTANCE instance, HWND owner, const wchar_t *className, WNDPROC procedure,
                    DWORD exStyle, const wchar_t *caption)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
    return CreateWindowExW(exStyle, className, caption, WS_OVERLAPPEDWINDOW, 210, 77, 370, 251,
                           owner, nullptr, instance, nullptr);
}

HWND CreateMainWindow(HINSTANCE instance, HWND owner)
{
    return CreateTopLevel(instance, owner, kMainClass, DefWindowProcW, 0,
                          L"ミルフィのアニメデータを修正するツール");
}

// RunProgram with a plain main window; `step` runs once the main window is visible.
int RunWith(int showCommand, const std::function<void(HWND mainWindow)> &step)
{
    WindowSteps steps(kMainClass, {step});
    const int code = RunProgram(GetModuleHandleW(nullptr), showCommand, CreateMainWindow);
    EXPECT_TRUE(steps.Finished());
    EXPECT_EQ(FindWindowW(kMainClass, nullptr), nullptr) << "the main window outlived the run";
    return code;
}

struct EndCase
{
    const char *Name;
    std::function<void(HWND mainWindow)> End;
};

class ProgramEnd : public testing::TestWithParam<EndCase>
{
};

TEST_P(ProgramEnd, EndsWithZeroAfterTheMainWindowOwnedByTheTitledOwner)
{
    const int code = RunWith(SW_SHOWNORMAL, [](HWND mainWindow) {
        HWND owner = ApplicationWindow();
        ASSERT_NE(owner, nullptr);
        EXPECT_EQ(GetWindow(mainWindow, GW_OWNER), owner);
        EXPECT_EQ(TextOf(owner), L"mrfyc");
        EXPECT_EQ(TextOf(mainWindow), L"ミルフィのアニメデータを修正するツール");
        EXPECT_TRUE(IsWindowVisible(mainWindow));
        EXPECT_FALSE(IsZoomed(mainWindow));
        GetParam().End(mainWindow);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ApplicationWindow(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ProgramEnd,
    testing::Values(
        EndCase{"CloseBox",
                [](HWND mainWindow) { PostMessageW(mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        EndCase{"Destroyed", [](HWND mainWindow) { DestroyWindow(mainWindow); }},
        EndCase{"TaskBarClose",
                [](HWND) { PostMessageW(ApplicationWindow(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
        EndCase{"SessionEnds",
                [](HWND) {
                    SendMessageW(ApplicationWindow(), WM_QUERYENDSESSION, 0, 0);
                    SendMessageW(ApplicationWindow(), WM_ENDSESSION, TRUE, 0);
                }}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(Program, StartsMaximisedWithShowCommandThree)
{
    bool zoomed = false;
    RunWith(SW_SHOWMAXIMIZED, [&](HWND mainWindow) {
        zoomed = IsZoomed(mainWindow) != FALSE;
        DestroyWindow(mainWindow);
    });
    EXPECT_TRUE(zoomed);
}

constexpr wchar_t kFormClass[] = L"MrfycTestForm";

int &PreviewedF5()
{
    static int count = 0;
    return count;
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == KeyPreviewMessage()) {
        const MSG &key = *reinterpret_cast<const MSG *>(lParam);
        if (key.message == WM_KEYDOWN && key.wParam == VK_F5) {
            ++PreviewedF5();
            return 1;
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A main window that asks for dialog keys, with two buttons in tab order.
HWND CreateForm(HINSTANCE instance, HWND owner)
{
    HWND form = CreateTopLevel(instance, owner, kFormClass, FormProc, WS_EX_CONTROLPARENT, L"form");
    for (int id : {11, 12})
        CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, id * 10, 80, 20,
                        form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    return form;
}

// What the main window needs of the loop: its own look at every key first, then the dialog keys.
TEST(ProgramLoop, KeysPreviewedByTheWindowThenDialogKeys)
{
    PreviewedF5() = 0;
    int focusAfterTab = 0;
    int focusBeforeTab = 0;
    WindowSteps steps(kFormClass, {[](HWND form) {
                                       SetActiveWindow(form);
                                       SetFocus(GetDlgItem(form, 11));
                                   },
                                   [&](HWND) {
                                       focusBeforeTab = GetDlgCtrlID(GetFocus());
                                       PostKey(VK_TAB);
                                       PostKey(VK_F5);
                                   },
                                   [&](HWND form) {
                                       focusAfterTab = GetDlgCtrlID(GetFocus());
                                       DestroyWindow(form);
                                   }});
    EXPECT_EQ(RunProgram(GetModuleHandleW(nullptr), SW_SHOWNORMAL, CreateForm), 0);
    EXPECT_TRUE(steps.Finished());
    EXPECT_EQ(PreviewedF5(), 1);
    EXPECT_EQ(focusBeforeTab, 11);
    EXPECT_EQ(focusAfterTab, 12);
}

struct MinimiseCase
{
    const char *Name;
    int ShowCommand;
    bool MinimiseByMainWindow;
};

class ProgramMinimised : public testing::TestWithParam<MinimiseCase>
{
};

// The owner carries the task-bar entry: minimised, it hides the main window, restored, it shows
// it again.
TEST_P(ProgramMinimised, ToTheTaskBarEntryAndBack)
{
    const MinimiseCase &row = GetParam();
    auto mainWindow = [] { return FindWindowW(kMainClass, nullptr); };
    WindowSteps steps(L"TApplication", {[&](HWND) {
                                            if (row.MinimiseByMainWindow)
                                                PostMessageW(mainWindow(), WM_SYSCOMMAND,
                                                             SC_MINIMIZE, 0);
                                        },
                                        [&](HWND owner) {
                                            EXPECT_TRUE(IsIconic(owner));
                                            EXPECT_FALSE(IsWindowVisible(mainWindow()));
                                            ShowWindow(owner, SW_RESTORE);
                                        },
                                        [&](HWND owner) {
                                            EXPECT_FALSE(IsIconic(owner));
                                            EXPECT_TRUE(IsWindowVisible(mainWindow()));
                                            DestroyWindow(mainWindow());
                                        }});
    EXPECT_EQ(RunProgram(GetModuleHandleW(nullptr), row.ShowCommand, CreateMainWindow), 0);
    EXPECT_TRUE(steps.Finished());
}

INSTANTIATE_TEST_SUITE_P(Ways, ProgramMinimised,
                         testing::Values(MinimiseCase{"ShowCommandSeven", SW_SHOWMINNOACTIVE,
                                                      false},
                                         MinimiseCase{"MainWindowMinimised", SW_SHOWNORMAL, true}),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST(Program, SessionEndingClosesAnOpenNotice)
{
    BeepSeam().Set([](BeepKind) {});
    bool noticeReturned = false;
    const int code = RunWith(SW_SHOWNORMAL, [&](HWND) {
        WindowSteps inner(TMessageForm::ClassName, {[](HWND) {
                              SendMessageW(ApplicationWindow(), WM_ENDSESSION, TRUE, 0);
                          }});
        ShowNotice("修正しました");
        noticeReturned = true;
    });
    BeepSeam().Set(nullptr);
    EXPECT_TRUE(noticeReturned);
    EXPECT_EQ(code, 0);
}

TEST(ErrorBox, StopBoxWithTheFullStopWhileTheMainWindowIsDisabled)
{
    RunWith(
        SW_SHOWNORMAL,
        [&](HWND mainWindow) {
            WindowSteps box(
                L"#32770", {[&](HWND dialog) {
                    EXPECT_EQ(TextOf(dialog), L"mrfyc");
                    // A message box holds its text in the static control 0xFFFF.
                    EXPECT_EQ(TextOf(GetDlgItem(dialog, 0xFFFF)),
                              L"ファイル C:\\a.mrfy は開けません.");
                    EXPECT_FALSE(IsWindowEnabled(mainWindow));
                    // The stop icon (its control is 0x14 on Windows, stc1 under Wine).
                    HWND icon = GetDlgItem(dialog, 0x14);
                    if (!icon)
                        icon = GetDlgItem(dialog, 0x440);
                    EXPECT_EQ(SendMessageW(icon, STM_GETICON, 0, 0),
                              reinterpret_cast<LRESULT>(LoadIconW(nullptr, IDI_HAND)));
                    std::vector<std::wstring> buttons;
                    for (HWND child = FindWindowExW(dialog, nullptr, L"Button", nullptr); child;
                         child = FindWindowExW(dialog, child, L"Button", nullptr))
                        if (IsWindowVisible(child))
                            buttons.push_back(TextOf(child));
                    EXPECT_EQ(buttons, std::vector<std::wstring>{L"OK"});
                    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                }});
            SetFocus(mainWindow);
            RunCommand([] { throw EFOpenError(FileOpenErrorText("C:\\a.mrfy")); });
            EXPECT_TRUE(IsWindowEnabled(mainWindow));
            EXPECT_EQ(GetActiveWindow(), mainWindow);
            EXPECT_EQ(GetFocus(), mainWindow);
            EXPECT_TRUE(box.Finished());
            DestroyWindow(mainWindow);
        });
}

struct StartupCase
{
    const char *Name;
    std::function<HWND(HINSTANCE, HWND)> Create;
    std::string Kind;
    std::string Message;
};

class StartupFailure : public testing::TestWithParam<StartupCase>
{
};

TEST_P(StartupFailure, ReportedWithExitCodeOne)
{
    std::vector<std::string> texts;
    StartupFailureSeam().Set([&](const std::string &text) { texts.push_back(text); });
    const int code = RunProgram(GetModuleHandleW(nullptr), SW_SHOWNORMAL, GetParam().Create);
    StartupFailureSeam().Set(nullptr);
    EXPECT_EQ(code, 1);
    ASSERT_EQ(texts.size(), 1u);
    const std::string &text = texts.front();
    const std::string head = GetParam().Kind + " がモジュール mrfyc_shell_tests.exe の ";
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    const std::string tail = " で発生しました。\r\n" + GetParam().Message + "\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
    EXPECT_EQ(ApplicationWindow(), nullptr);
    EXPECT_EQ(FindWindowW(kMainClass, nullptr), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, StartupFailure,
    testing::Values(
        StartupCase{"Thrown",
                    [](HINSTANCE instance, HWND owner) -> HWND {
                        CreateMainWindow(instance, owner);
                        throw EFOpenError(FileOpenErrorText("C:\\a.mrfy"));
                    },
                    "EFOpenError", "ファイル C:\\a.mrfy は開けません."},
        StartupCase{"OutOfMemory", [](HINSTANCE, HWND) -> HWND { throw std::bad_alloc(); },
                    "EOutOfMemory", "メモリが足りません."},
        StartupCase{"NoWindow", [](HINSTANCE, HWND) -> HWND { return nullptr; }, "Exception", ""}),
    [](const auto &info) { return std::string(info.param.Name); });

} // namespace
} // namespace mrfyc::test
