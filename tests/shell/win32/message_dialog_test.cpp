// SPDX-License-Identifier: MIT
#include "rules/message_layout.h"
#include "shell/win32/message_dialog.h"
#include "shell/win32/message_form.h"
#include "shell/win32/test_seams.h"
#include "window_steps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace mrfyc {

void PrintTo(const Rect &rect, std::ostream *out)
{
    *out << rect.Width << 'x' << rect.Height << '+' << rect.Left << '+' << rect.Top;
}

void PrintTo(const Size &size, std::ostream *out)
{
    *out << size.Width << 'x' << size.Height;
}

namespace test {
namespace {

constexpr wchar_t kOwnerClass[] = L"MrfycTestOwner";

std::wstring TextOf(HWND window)
{
    wchar_t text[4096]{};
    GetWindowTextW(window, text, 4096);
    return text;
}

Rect ChildRect(HWND dialog, HWND child)
{
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

HWND ChildOfClass(HWND dialog, const wchar_t *className)
{
    return FindWindowExW(dialog, nullptr, className, nullptr);
}

// The layout as the dialog's own font gives it, measured here the way the rules describe it.
MessageLayout ExpectedLayout(HWND dialog, const std::wstring &text)
{
    HDC dc = GetDC(dialog);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    MessageMetrics metrics;
    SIZE extent{};
    GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &extent);
    metrics.ax = extent.cx / 52;
    metrics.ay = extent.cy;
    RECT bounds{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    metrics.text = {bounds.right, bounds.bottom};
    GetTextExtentPoint32W(dc, L"OK", 2, &extent);
    metrics.captionWidth = extent.cx + 8;
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    return LayOutMessage(metrics);
}

// A visible, active top-level window of the program, as the main window is when a notice opens.
class OwnerWindow
{
public:
    OwnerWindow()
    {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kOwnerClass;
        RegisterClassExW(&windowClass);
        m_handle =
            CreateWindowExW(0, kOwnerClass, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                            200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetActiveWindow(m_handle);
    }
    ~OwnerWindow() { DestroyWindow(m_handle); }
    OwnerWindow(const OwnerWindow &) = delete;
    OwnerWindow &operator=(const OwnerWindow &) = delete;
    HWND Handle() const { return m_handle; }

private:
    HWND m_handle = nullptr;
};

class MessageDialog : public testing::Test
{
protected:
    void SetUp() override
    {
        ForgetMeasuredCaptionWidth();
        BeepSeam().Set([this](BeepKind kind) { m_beeps.push_back(kind); });
    }
    void TearDown() override
    {
        BeepSeam().Set(nullptr);
        ClipboardSeam().Set(nullptr);
        EXPECT_EQ(FindWindowW(TMessageForm::ClassName, nullptr), nullptr) << "a dialog was left";
    }

    OwnerWindow m_owner;
    std::vector<BeepKind> m_beeps;
};

struct LayoutCase
{
    const char *Name;
    std::wstring Text;
    // openbox moves a window taller than the screen by its own rules once it is mapped.
    bool PlacedAsAsked = true;
};

class MessageDialogLayout : public MessageDialog, public testing::WithParamInterface<LayoutCase>
{
};

TEST_P(MessageDialogLayout, SizedFromItsFontCentredAndModal)
{
    const std::wstring &text = GetParam().Text;
    HWND owner = m_owner.Handle();
    SetCapture(owner); // a held button when the notice opens
    WindowSteps steps(TMessageForm::ClassName, {[&](HWND dialog) {
                          const MessageLayout expected = ExpectedLayout(dialog, text);
                          RECT client{};
                          GetClientRect(dialog, &client);
                          EXPECT_EQ((Size{client.right, client.bottom}), expected.client);
                          HWND label = ChildOfClass(dialog, L"Static");
                          HWND button = ChildOfClass(dialog, L"Button");
                          EXPECT_EQ(ChildRect(dialog, label), expected.label);
                          EXPECT_EQ(ChildRect(dialog, button), expected.button);
                          EXPECT_EQ(TextOf(label), text);
                          EXPECT_EQ(TextOf(button), L"OK");
                          EXPECT_EQ(TextOf(dialog), L"caption");
                          // Wrapped at half the screen: the dialog grows in height only.
                          EXPECT_LE(expected.label.Width, GetSystemMetrics(SM_CXSCREEN) / 2);

                          RECT outer{};
                          GetWindowRect(dialog, &outer);
                          const Point corner = CentredOn(
                              {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                              {outer.right - outer.left, outer.bottom - outer.top});
                          if (GetParam().PlacedAsAsked) {
                              EXPECT_EQ(outer.left, corner.X);
                              EXPECT_EQ(outer.top, corner.Y);
                          }

                          EXPECT_FALSE(IsWindowEnabled(owner));
                          EXPECT_EQ(GetFocus(), button);
                          EXPECT_EQ(GetCapture(), nullptr) << "the owner still holds the mouse";
                          EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
                          PostKey(VK_RETURN);
                      }});
    EXPECT_EQ(ShowMessageDialog(text, L"caption"), TMessageForm::ResultOk);
    EXPECT_TRUE(steps.Finished());
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_TRUE(m_beeps.empty());
}

std::wstring Repeated(const std::wstring &text, int times)
{
    std::wstring repeated;
    for (int i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MessageDialogLayout,
    testing::Values(
        LayoutCase{"Notice", L"修正しました"}, LayoutCase{"Short", L"x"},
        LayoutCase{"Wrapped", Repeated(L"ファイルを選択、またはドラッグドロップしてください ", 12)},
        LayoutCase{"Tab", L"a\tb\tc"}, LayoutCase{"Lines", L"first\r\nsecond\r\nthird"},
        LayoutCase{"Ampersand", L"C:\\a&b.mrfy"},
        LayoutCase{"TallerThanTheScreen", Repeated(L"x\r\n", 120), false}),
    [](const auto &info) { return std::string(info.param.Name); });

struct CloseCase
{
    const char *Name;
    std::function<void(HWND dialog)> Close;
    int Expected;
    bool QuitLeft = false;
};

class MessageDialogClosing : public MessageDialog, public testing::WithParamInterface<CloseCase>
{
};

TEST_P(MessageDialogClosing, ResultByTheWayItWasClosed)
{
    WindowSteps steps(TMessageForm::ClassName, {GetParam().Close});
    EXPECT_EQ(ShowMessageDialog(L"修正しました", L"mrfyc"), GetParam().Expected);
    EXPECT_TRUE(steps.Finished());
    MSG quit{};
    EXPECT_EQ(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE,
              GetParam().QuitLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MessageDialogClosing,
    testing::Values(CloseCase{"Enter", [](HWND) { PostKey(VK_RETURN); }, 1},
                    CloseCase{"Space", [](HWND) { PostKey(VK_SPACE); }, 1},
                    CloseCase{"Esc", [](HWND) { PostKey(VK_ESCAPE); }, 1},
                    CloseCase{"Click",
                              [](HWND dialog) {
                                  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                              },
                              1},
                    CloseCase{"CloseBox",
                              [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
                              2},
                    CloseCase{"AltF4", [](HWND) { PostKey(VK_F4, true); }, 2},
                    // The program ends: the quit request ends the dialog and stays for the loop.
                    CloseCase{"Quit", [](HWND) { PostQuitMessage(0); }, 2, true}),
    [](const auto &info) { return std::string(info.param.Name); });

struct CopyCase
{
    const char *Name;
    bool Shift;
    bool Alt;
    bool Copies;
};

class MessageDialogCopy : public MessageDialog, public testing::WithParamInterface<CopyCase>
{
protected:
    static void PutOnClipboard(const std::wstring &text)
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        CloseClipboard();
    }
    template <typename Char> static std::basic_string<Char> FromClipboard(UINT format)
    {
        std::basic_string<Char> text;
        if (!OpenClipboard(nullptr))
            return text;
        if (HANDLE data = GetClipboardData(format)) {
            text = static_cast<const Char *>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }
};

TEST_P(MessageDialogCopy, CtrlCAloneCopiesTheContentAndBeeps)
{
    const CopyCase &row = GetParam();
    PutOnClipboard(L"before");
    WindowSteps steps(TMessageForm::ClassName, {[&](HWND) {
                                                    SetModifiers(true, row.Shift, row.Alt);
                                                    PostKey('C', row.Alt);
                                                },
                                                [](HWND) { SetModifiers(false, false, false); },
                                                [](HWND dialog) {
                                                    EXPECT_TRUE(IsWindowVisible(dialog))
                                                        << "the copy closed the dialog";
                                                    PostKey(VK_RETURN);
                                                }});
    EXPECT_EQ(ShowMessageDialog(L"修正しました", L"mrfyc"), 1);
    EXPECT_TRUE(steps.Finished());

    const std::wstring divider = std::wstring(27, L'-') + L"\r\n";
    const std::wstring content =
        divider + L"mrfyc\r\n" + divider + L"修正しました\r\n" + divider + L"OK   \r\n" + divider;
    const std::string divider932 = std::string(27, '-') + "\r\n";
    const std::string content932 = divider932 + "mrfyc\r\n" + divider932 +
                                   "\x8f\x43\x90\xb3\x82\xb5\x82\xdc\x82\xb5\x82\xbd\r\n" +
                                   divider932 + "OK   \r\n" + divider932;
    if (row.Copies) {
        EXPECT_EQ(FromClipboard<wchar_t>(CF_UNICODETEXT), content);
        EXPECT_EQ(FromClipboard<char>(CF_TEXT), content932);
        EXPECT_EQ(m_beeps, std::vector<BeepKind>{BeepKind::Default});
    } else {
        EXPECT_EQ(FromClipboard<wchar_t>(CF_UNICODETEXT), L"before");
        EXPECT_TRUE(m_beeps.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Modifiers, MessageDialogCopy,
                         testing::Values(CopyCase{"Ctrl", false, false, true},
                                         CopyCase{"CtrlShift", true, false, false},
                                         CopyCase{"CtrlAlt", false, true, false}),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST_F(MessageDialog, RefusedClipboardIsReportedAndTheDialogStaysOpen)
{
    std::vector<std::string> reports;
    ErrorReportSeam().Set([&](const std::string &text) { reports.push_back(text); });
    ClipboardSeam().Set([](const std::wstring &) { return false; });
    WindowSteps steps(TMessageForm::ClassName, {[](HWND) {
                                                    SetModifiers(true, false, false);
                                                    PostKey('C');
                                                },
                                                [](HWND) { SetModifiers(false, false, false); },
                                                [](HWND dialog) {
                                                    EXPECT_TRUE(IsWindowVisible(dialog));
                                                    PostKey(VK_ESCAPE);
                                                }});
    EXPECT_EQ(ShowMessageDialog(L"x", L"mrfyc"), 1);
    ErrorReportSeam().Set(nullptr);
    EXPECT_EQ(reports, std::vector<std::string>{"クリップボードを開くことができません."});
}

} // namespace
} // namespace test
} // namespace mrfyc
