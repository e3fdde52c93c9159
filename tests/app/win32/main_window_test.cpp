// SPDX-License-Identifier: MIT
// TForm1 in this process: drops built as the shell builds them, the open dialog answered in place
// of the user, keys sent to the controls, notices and error reports taken by the shell's seams.
#include "tests/support/win32/win32_test_support.h"

#include "rules/header_fields.h"
#include "rules/layout_scaling.h"
#include "rules/log_file_selection.h"
#include "rules/main_window_layout.h"
#include "rules/notice_function.h"
#include "shell/win32/gdi_owners.h"
#include "shell/win32/message_loop.h"
#include "shell/win32/test_seams.h"
#include "ui/win32/main_window.h"
#include "ui/win32/spin_edit.h"
#include "ui/win32/window_font.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mrfyc::test {
namespace {

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// A drop handle as the shell hands it over: DROPFILES followed by the UTF-16 names, each ended
// by a NUL, and one NUL more.
HDROP MakeDrop(const std::vector<std::wstring> &files)
{
    std::wstring names;
    for (const std::wstring &file : files)
        names += file + L'\0';
    names += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto *header = static_cast<DROPFILES *>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char *>(header) + sizeof(DROPFILES), names.data(),
                names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

std::wstring TextOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

class MainWindow : public testing::Test
{
protected:
    void SetUp() override
    {
        NoticeSeam().Set([this](const std::string &text) { m_notices.push_back(text); });
        ErrorReportSeam().Set([this](const std::string &text) { m_errors.push_back(text); });
        m_form = std::make_unique<TForm1>(GetModuleHandleW(nullptr), nullptr, m_selection);
        ShowWindow(m_form->Handle(), SW_SHOWNORMAL);
        Pump();
    }

    void TearDown() override
    {
        m_form.reset();
        Pump();
        NoticeSeam().Set(nullptr);
        ErrorReportSeam().Set(nullptr);
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
    }

    void Drop(const std::vector<std::wstring> &files)
    {
        SendMessageW(m_form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files)), 0);
        Pump();
    }

    void Open(std::optional<std::wstring> answer)
    {
        m_form->OpenDialog1.SetAnswerer([answer] { return answer; });
        m_form->OpenClick();
        Pump();
    }

    // A key as the control receives it, with the modifiers the thread's key state shows.
    void PressKey(HWND control, WPARAM key, const std::vector<int> &modifiers = {})
    {
        std::vector<BYTE> state(256, 0);
        for (const int modifier : modifiers)
            state[static_cast<std::size_t>(modifier)] = 0x80;
        SetKeyboardState(state.data());
        SendMessageW(control, WM_KEYDOWN, key, 1);
        if (key == VK_RETURN || key == VK_TAB)
            SendMessageW(control, WM_CHAR, key == VK_RETURN ? L'\r' : L'\t', 1);
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
        Pump();
    }

    std::wstring FileLabel() const { return TextOf(m_form->lblFile->Handle()); }

    LogFileSelection m_selection;
    std::unique_ptr<TForm1> m_form;
    std::vector<std::string> m_notices;
    std::vector<std::string> m_errors;
};

TEST_F(MainWindow, FieldsStartWithTheHeaderDefaultsAndRanges)
{
    const TSpinEdit *fields[] = {m_form->UdW(), m_form->UdH(), m_form->Udl(), m_form->UdQ()};
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index) {
        SCOPED_TRACE(std::string(kHeaderFields[index].Control));
        EXPECT_EQ(fields[index]->Value(), kHeaderFields[index].Default);
        EXPECT_EQ(fields[index]->MinValue(), kHeaderFields[index].Minimum);
        EXPECT_EQ(fields[index]->MaxValue(), kHeaderFields[index].Maximum);
    }
    EXPECT_EQ(FileLabel(), L"ファイル名：");
}

TEST(WindowFont, DrawsTheWindowsJapaneseTexts)
{
    const std::wstring face = WindowFontFace();
    OwnedFont font(CreateWindowFont(face, -12));
    std::unique_ptr<HDC__, decltype(&DeleteDC)> dc(CreateCompatibleDC(nullptr), &DeleteDC);
    SelectedObject selected(dc.get(), font.Get());
    const std::wstring sample =
        L"ミルフィのアニメデータを修正するツール開く高さ幅ライン数クオリティ";
    std::vector<WORD> glyphs(sample.size());
    GetGlyphIndicesW(dc.get(), sample.c_str(), static_cast<int>(sample.size()), glyphs.data(),
                     GGI_MARK_NONEXISTING_GLYPHS);
    EXPECT_EQ(std::count(glyphs.begin(), glyphs.end(), WORD{0xFFFF}), 0) << Utf8(face);
    EXPECT_EQ(face, L"ＭＳ Ｐゴシック") << "the prefix maps the name to IPAPGothic";
}

struct DropCase
{
    const char *Name;
    std::vector<std::wstring> Files;
    bool Accepted;
};

class Drops : public MainWindow, public testing::WithParamInterface<DropCase>
{
};

TEST_P(Drops, FirstFileGoesToTheDropRule)
{
    const DropCase &row = GetParam();
    Drop(row.Files);
    if (row.Accepted) {
        EXPECT_EQ(Wide(m_selection.CurrentLogPath()), row.Files.front());
        EXPECT_EQ(FileLabel(), row.Files.front());
        // What three lines of the label cut off, the label's tip shows.
        EXPECT_EQ(m_form->FileTipText(), row.Files.front());
        EXPECT_TRUE(m_notices.empty());
    } else {
        EXPECT_EQ(m_selection.CurrentLogPath(), "");
        EXPECT_EQ(FileLabel(), L"ファイル名：");
        EXPECT_EQ(m_form->FileTipText(), L"");
        EXPECT_EQ(m_notices, std::vector<std::string>{kNoticeUnsupported});
    }
}

// 300 characters: the window it copies cut a dropped path at 254, which could name another file.
const std::wstring kLongPath = L"C:\\logs\\" + std::wstring(284, L'a') + L".mrfy";

INSTANTIATE_TEST_SUITE_P(
    Cases, Drops,
    testing::Values(DropCase{"OnlyTheFirstCounts", {L"C:\\a.mrfy", L"C:\\b.txt"}, true},
                    DropCase{"FirstRefusedSecondIgnored", {L"C:\\a.txt", L"C:\\b.mrfy"}, false},
                    DropCase{"KoreanAndEmoji", {L"C:\\로그\\😀 채팅.mrfy"}, true},
                    DropCase{"LongPathWhole", {kLongPath}, true}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(MainWindow, OpenShowsThePickedPathAfterTheCaptionAndCancelChangesNothing)
{
    Open(L"C:\\logs\\second.txt");
    EXPECT_EQ(FileLabel(), L"ファイル名：C:\\logs\\second.txt");
    EXPECT_EQ(m_selection.CurrentLogPath(), "C:\\logs\\second.txt");
    EXPECT_EQ(m_form->FileTipText(), L"C:\\logs\\second.txt");
    Open(std::nullopt);
    EXPECT_EQ(FileLabel(), L"ファイル名：C:\\logs\\second.txt");
    EXPECT_EQ(m_form->OpenDialog1.FileName(), L"C:\\logs\\second.txt");
    EXPECT_TRUE(m_notices.empty());
}

// What a label of this size shows for text with the given flags, as pixels.
std::vector<COLORREF> Rendered(HWND label, HFONT font, const std::wstring &text, UINT flags,
                               bool throughLabel)
{
    RECT client;
    GetClientRect(label, &client);
    WindowDC screen(nullptr);
    std::unique_ptr<HDC__, decltype(&DeleteDC)> owned(CreateCompatibleDC(screen), &DeleteDC);
    const HDC dc = owned.get();
    OwnedGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
    SelectedObject selectedBitmap(dc, bitmap.Get());
    if (throughLabel) {
        SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    } else {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        SelectedObject selectedFont(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, flags);
    }
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    return pixels;
}

TEST_F(MainWindow, FileLabelShowsAnAmpersandAsItIs)
{
    const std::wstring path = L"C:\\R&D\\a&&b.mrfy";
    Drop({path});
    ASSERT_EQ(FileLabel(), path);
    const HWND label = m_form->lblFile->Handle();
    const HFONT font = m_form->lblFile->Font();
    const UINT wrap = DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK;
    const auto shown = Rendered(label, font, path, 0, true);
    // The check can tell the two apart: prefix processing hides one "&" and underlines.
    ASSERT_NE(Rendered(label, font, path, wrap, false),
              Rendered(label, font, path, wrap | DT_NOPREFIX, false));
    EXPECT_EQ(shown, Rendered(label, font, path, wrap | DT_NOPREFIX, false));
}

struct EnterCase
{
    const char *Name;
    bool OnButton;
    std::vector<int> Modifiers;
    bool Clicks;
};

class EnterKey : public MainWindow, public testing::WithParamInterface<EnterCase>
{
};

TEST_P(EnterKey, ClicksOnlyAFocusedButtonWithoutModifiers)
{
    const EnterCase &row = GetParam();
    HWND target = row.OnButton ? m_form->btnPut : m_form->UdH()->Handle();
    SetFocus(target);
    PressKey(target, VK_RETURN, row.Modifiers);
    const std::vector<std::string> expected =
        row.Clicks ? std::vector<std::string>{kNoticeNoFile} : std::vector<std::string>{};
    EXPECT_EQ(m_notices, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, EnterKey,
                         testing::Values(EnterCase{"OnButton", true, {}, true},
                                         EnterCase{"WithShift", true, {VK_SHIFT}, false},
                                         EnterCase{"WithCtrl", true, {VK_CONTROL}, false},
                                         EnterCase{"WithAlt", true, {VK_MENU}, false},
                                         EnterCase{"InAField", false, {}, false}),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST_F(MainWindow, TabRunsThroughTheFieldsAndBackShiftTabTheOtherWay)
{
    const HWND order[] = {m_form->btnPut, m_form->UdH()->Handle(), m_form->UdW()->Handle(),
                          m_form->Udl()->Handle(), m_form->UdQ()->Handle()};
    SetFocus(order[0]);
    for (std::size_t step = 1; step <= std::size(order); ++step) {
        PressKey(GetFocus(), VK_TAB);
        EXPECT_EQ(GetFocus(), order[step % std::size(order)]) << "step " << step;
    }
    PressKey(GetFocus(), VK_TAB, {VK_SHIFT});
    EXPECT_EQ(GetFocus(), order[4]);
    EXPECT_TRUE(m_notices.empty());
}

struct OpenKeyCase
{
    const char *Name;
    bool FromField;
    std::vector<int> Modifiers;
    bool Opens;
};

class OpenKey : public MainWindow, public testing::WithParamInterface<OpenKeyCase>
{
};

// The message loop offers every key to the window before its control sees it.
TEST_P(OpenKey, CtrlOOpensFromEveryControl)
{
    const OpenKeyCase &row = GetParam();
    int asked = 0;
    m_form->OpenDialog1.SetAnswerer([&asked]() -> std::optional<std::wstring> {
        ++asked;
        return L"C:\\logs\\chat.mrfy";
    });
    MSG key{};
    key.hwnd = row.FromField ? m_form->UdQ()->Handle() : m_form->btnPut;
    key.message = WM_KEYDOWN;
    key.wParam = 'O';
    std::vector<BYTE> state(256, 0);
    for (const int modifier : row.Modifiers)
        state[static_cast<std::size_t>(modifier)] = 0x80;
    SetKeyboardState(state.data());
    const LRESULT taken =
        SendMessageW(m_form->Handle(), KeyPreviewMessage(), 0, reinterpret_cast<LPARAM>(&key));
    SetKeyboardState(std::vector<BYTE>(256, 0).data());
    EXPECT_EQ(taken != 0, row.Opens);
    EXPECT_EQ(asked, row.Opens ? 1 : 0);
    EXPECT_EQ(FileLabel(), row.Opens ? L"ファイル名：C:\\logs\\chat.mrfy" : L"ファイル名：");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenKey,
    testing::Values(OpenKeyCase{"FromButton", false, {VK_CONTROL}, true},
                    OpenKeyCase{"FromField", true, {VK_CONTROL}, true},
                    OpenKeyCase{"PlainO", true, {}, false},
                    OpenKeyCase{"CtrlShiftO", false, {VK_CONTROL, VK_SHIFT}, false},
                    OpenKeyCase{"CtrlAltO", false, {VK_CONTROL, VK_MENU}, false}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(MainWindow, OkPatchesTheDroppedLogWithTheFieldValues)
{
    TestFolder folder;
    const std::string log = folder.Path("chat.mrfy");
    WriteWhole(log, "old\r\n");
    Drop({Wide(log)});
    m_form->UdW()->SetValue(640);
    m_form->UdQ()->SetValue(9);
    SendMessageW(m_form->btnPut, BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(m_notices, std::vector<std::string>{kNoticePatched});
    EXPECT_EQ(ReadWhole(log), "layer_count=2\r\nlayer_max=2\r\nlayer_last=2\r\nimage_width=640\r\n"
                              "image_height=1200\r\ncount_lines=6000\r\nquality=9\r\nold\r\n");
}

TEST_F(MainWindow, FailingPatchIsReportedAndTheWindowGoesOn)
{
    TestFolder folder;
    const std::string log = folder.Path("chat.mrfy");
    WriteWhole(log, "old\r\n");
    ASSERT_TRUE(SetFileAttributesW(Wide(log).c_str(), FILE_ATTRIBUTE_READONLY));
    Drop({Wide(log)});
    for (int attempt = 0; attempt < 2; ++attempt)
        SendMessageW(m_form->btnPut, BM_CLICK, 0, 0);
    Pump();
    SetFileAttributesW(Wide(log).c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::string expected = "ファイル " + log + " を作成できません.";
    EXPECT_EQ(m_errors, (std::vector<std::string>{expected, expected}));
    EXPECT_TRUE(m_notices.empty());
    EXPECT_EQ(ReadWhole(log), "old\r\n");
    EXPECT_EQ(FileLabel(), Wide(log));
}

// WM_DPICHANGED as Windows sends it when the window moves to a screen of another scale.
void MoveToScale(HWND window, int pixelsPerInch)
{
    const Rect outer = MainWindowAt(pixelsPerInch).Outer;
    RECT suggested{outer.Left, outer.Top, outer.Left + outer.Width, outer.Top + outer.Height};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(pixelsPerInch, pixelsPerInch),
                 reinterpret_cast<LPARAM>(&suggested));
    Pump();
}

Rect PlaceOf(HWND control, HWND parent)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

class ScreenScale : public MainWindow, public testing::WithParamInterface<int>
{
};

TEST_P(ScreenScale, WholeWindowFollowsTheScreen)
{
    const int pixelsPerInch = GetParam();
    // From another scale than the one asked for.
    MoveToScale(m_form->Handle(), pixelsPerInch == 144 ? 96 : 144);
    MoveToScale(m_form->Handle(), pixelsPerInch);
    const ScaledMainWindow layout = MainWindowAt(pixelsPerInch);
    EXPECT_EQ(PlaceOf(m_form->Handle(), nullptr), layout.Outer);
    EXPECT_EQ(PlaceOf(m_form->btnPut, m_form->Handle()), layout.TabStops[0]);
    EXPECT_EQ(PlaceOf(m_form->lblFile->Handle(), m_form->Handle()), layout.Labels[0]);
    TSpinEdit *fields[] = {m_form->UdH(), m_form->UdW(), m_form->Udl(), m_form->UdQ()};
    for (std::size_t index = 1; index < kTabStops.size(); ++index) {
        Rect place = PlaceOf(fields[index - 1]->Handle(), m_form->Handle());
        place.Height = layout.TabStops[index].Height; // the font's
        EXPECT_EQ(place, layout.TabStops[index]) << kTabStops[index].Name;
        EXPECT_EQ(fields[index - 1]->Button().Bounds().Width, ScaledToScreen(15, pixelsPerInch));
    }
    LOGFONTW font{};
    GetObjectW(m_form->lblFile->Font(), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, layout.FontHeight);
    EXPECT_EQ(GetWindowLongW(m_form->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, ScreenScale, testing::Values(96, 120, 144, 192),
                         [](const auto &info) { return std::to_string(info.param); });

// A scheme switched while the window is shown (a high-contrast one) reaches the arrows in every
// state: each triangle is drawn again, whole, in its new colour.
class SchemeSwitch : public MainWindow, public testing::WithParamInterface<const char *>
{
protected:
    void TearDown() override
    {
        SetSysColors(2, kElements, m_saved);
        MainWindow::TearDown();
    }
    static constexpr int kElements[] = {COLOR_BTNTEXT, COLOR_GRAYTEXT};
    COLORREF m_saved[2] = {GetSysColor(kElements[0]), GetSysColor(kElements[1])};
};

TEST_P(SchemeSwitch, ArrowsTakeTheNewColours)
{
    const std::string state = GetParam();
    const HWND pair = m_form->UdH()->Button().Handle();
    SendMessageW(pair, state == "pressed" ? WM_LBUTTONDOWN : WM_NULL, MK_LBUTTON, 0);
    EnableWindow(pair, state != "disabled");
    const COLORREF scheme[] = {RGB(255, 255, 0), RGB(0, 255, 0)};
    ASSERT_TRUE(SetSysColors(2, kElements, scheme));
    Pump();
    const WindowDC dc(pair);
    int shown = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            shown += GetPixel(dc, x, y) == scheme[state == "disabled"];
    const int rows = ScaledToScreen(4, GetDeviceCaps(WindowDC(nullptr), LOGPIXELSY));
    EXPECT_EQ(shown, 2 * rows * rows);
    SendMessageW(pair, WM_LBUTTONUP, 0, MAKELPARAM(-10, -10));
}

INSTANTIATE_TEST_SUITE_P(States, SchemeSwitch, testing::Values("normal", "pressed", "disabled"));

} // namespace
} // namespace mrfyc::test
