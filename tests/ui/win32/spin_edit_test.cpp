// SPDX-License-Identifier: MIT
#include "spin_test_window.h"

#include "files/win32/wide_text.h"
#include "rules/errors.h"
#include "rules/full_stop.h"
#include "rules/spin_field_geometry.h"
#include "shell/win32/gdi_owners.h"
#include "shell/win32/test_seams.h"
#include "ui/win32/spin_edit.h"

#include <gtest/gtest.h>
#include <imm.h>

#include <memory>
#include <string>

namespace mrfyc {
namespace {

using namespace mrfyc::test;

// A field of the main window's size beside a second one that takes the focus away, with the
// field's beeps and change notices counted.
class SpinFieldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_window = std::make_unique<TestWindow>();
        LOGFONTW description{};
        description.lfHeight = 12;
        description.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(description.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
        m_font = CreateFontIndirectW(&description);
        m_field = std::make_unique<TSpinEdit>(m_window->Handle(), 101, Rect{10, 10, 121, 21});
        m_other = std::make_unique<TSpinEdit>(m_window->Handle(), 102, Rect{10, 60, 121, 21});
        m_field->SetFont(m_font);
        m_other->SetFont(m_font);
        m_field->OnChange = [this] { ++m_changes; };
        m_window->OnCommand = [this](HWND control, WORD notification) {
            if (control == m_field->Handle() && notification == EN_CHANGE)
                m_field->EditChanged();
        };
        BeepSeam().Set([this](BeepKind kind) {
            EXPECT_EQ(kind, BeepKind::Default);
            ++m_beeps;
        });
        PumpFor(20);
    }

    void TearDown() override
    {
        ErrorReportSeam().Set(nullptr);
        BeepSeam().Set(nullptr);
        m_field.reset();
        m_other.reset();
        m_window.reset();
        DeleteObject(m_font);
    }

    void Configure(std::int32_t minValue, std::int32_t maxValue, const std::string &text)
    {
        m_field->SetMinValue(minValue);
        m_field->SetMaxValue(maxValue);
        SetText(text);
    }

    void SetText(const std::string &text)
    {
        SetWindowTextW(m_field->Handle(), win32::ToWide(text).value().c_str());
        PumpFor(10);
        m_changes = 0;
        m_beeps = 0;
    }

    // Focus on the field with the caret at the end of its text.
    void FocusAtEnd()
    {
        SetFocus(m_field->Handle());
        SendMessageW(m_field->Handle(), EM_SETSEL, 32767, 32767);
        PumpFor(10);
    }

    // Centre of an arrow in the pair's client coordinates.
    POINT ArrowCentre(bool up)
    {
        const Rect &bounds =
            up ? m_field->Button().UpButton().Bounds() : m_field->Button().DownButton().Bounds();
        return {bounds.Left + bounds.Width / 2, bounds.Top + bounds.Height / 2};
    }

    std::unique_ptr<TestWindow> m_window;
    HFONT m_font = nullptr;
    std::unique_ptr<TSpinEdit> m_field;
    std::unique_ptr<TSpinEdit> m_other;
    int m_changes = 0;
    int m_beeps = 0;
};

// Typed with the editor on or off into a field holding `before`, caret at the end.
struct TypingCase
{
    bool editorEnabled;
    std::string before;
    std::wstring typed;
    std::string after;
    int beeps;
};

void PrintTo(const TypingCase &c, std::ostream *os)
{
    *os << (c.editorEnabled ? "editor " : "no editor ") << '"' << c.before << "\" + "
        << win32::ToUtf8(c.typed);
}

class TypingTest : public SpinFieldTest, public ::testing::WithParamInterface<TypingCase>
{
};

TEST_P(TypingTest, RefusedCharactersBeepOnceAndStayOut)
{
    const TypingCase &c = GetParam();
    Configure(0, 65536, c.before);
    m_field->SetEditorEnabled(c.editorEnabled);
    FocusAtEnd();
    TypeText(c.typed);
    EXPECT_EQ(m_field->Text(), c.after);
    EXPECT_EQ(m_beeps, c.beeps);
    EXPECT_EQ(m_changes, c.after == c.before ? 0 : static_cast<int>(c.typed.size()) - c.beeps);
}

INSTANTIATE_TEST_SUITE_P(Characters, TypingTest,
                         ::testing::Values(TypingCase{true, "5", L"x7y", "57", 2},
                                           // Two WM_CHAR halves make one refused character.
                                           TypingCase{true, "1", L"\xd83d\xde00", "1", 1},
                                           TypingCase{false, "12", L"3", "12", 1}));

// The Up and Down keys: bounds, text before, key, presses, text after, change notices, beeps.
struct KeyCase
{
    std::int32_t minValue, maxValue;
    std::string before;
    WORD key;
    int presses;
    std::string after;
    int changes;
    bool readOnly = false;
    bool editorEnabled = true;
};

void PrintTo(const KeyCase &c, std::ostream *os)
{
    *os << c.minValue << ".." << c.maxValue << " \"" << c.before << "\" "
        << (c.key == VK_UP ? "Up" : "Down") << " x" << c.presses << (c.readOnly ? " read-only" : "")
        << (c.editorEnabled ? "" : " no editor");
}

class KeyStepTest : public SpinFieldTest, public ::testing::WithParamInterface<KeyCase>
{
};

TEST_P(KeyStepTest, StepsOncePerKeyWithinTheBounds)
{
    const KeyCase &c = GetParam();
    Configure(c.minValue, c.maxValue, c.before);
    m_field->SetEditorEnabled(c.editorEnabled);
    SendMessageW(m_field->Handle(), EM_SETREADONLY, c.readOnly, 0);
    FocusAtEnd();
    for (int i = 0; i < c.presses; ++i)
        PressKey(c.key);
    EXPECT_EQ(m_field->Text(), c.after);
    EXPECT_EQ(m_changes, c.changes);
    EXPECT_EQ(m_beeps, c.readOnly ? c.presses : 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyStepTest,
                         ::testing::Values(KeyCase{0, 65536, "1200", VK_UP, 3, "1203", 3},
                                           KeyCase{1, 9, "8", VK_UP, 3, "9", 1},
                                           KeyCase{0, 65536, "5", VK_UP, 2, "5", 0, true},
                                           KeyCase{0, 65536, "5", VK_DOWN, 2, "3", 2, false,
                                                   false}));

// A click on an arrow of a field that does not hold the focus: focus and whole text first, then
// one step at the release.
struct ArrowCase
{
    bool up;
    std::int32_t minValue, maxValue;
    std::string before, after;
    bool readOnly = false;
};

void PrintTo(const ArrowCase &c, std::ostream *os)
{
    *os << (c.up ? "up " : "down ") << c.minValue << ".." << c.maxValue << " \"" << c.before << '"'
        << (c.readOnly ? " read-only" : "");
}

class ArrowClickTest : public SpinFieldTest, public ::testing::WithParamInterface<ArrowCase>
{
};

TEST_P(ArrowClickTest, FocusesSelectsAndStepsAtTheRelease)
{
    const ArrowCase &c = GetParam();
    Configure(c.minValue, c.maxValue, c.before);
    SendMessageW(m_field->Handle(), EM_SETREADONLY, c.readOnly, 0);
    m_field->SetEditorEnabled(false); // the arrows do not depend on it
    SetFocus(m_other->Handle());
    PumpFor(10);
    HWND pair = m_field->Button().Handle();
    const POINT centre = ArrowCentre(c.up);
    MoveMouse(pair, {centre.x - 1, centre.y});
    MouseButton(pair, centre, true);
    EXPECT_EQ(GetFocus(), m_field->Handle());
    DWORD start = 0, end = 0;
    SendMessageW(m_field->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(m_field->Handle())));
    EXPECT_EQ(m_field->Text(), c.before) << "no step before the release";
    EXPECT_TRUE((c.up ? m_field->Button().UpButton() : m_field->Button().DownButton()).IsDown());
    MouseButton(pair, centre, false);
    EXPECT_EQ(m_field->Text(), c.after);
    EXPECT_EQ(m_beeps, c.readOnly ? 1 : 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Arrows, ArrowClickTest,
                         ::testing::Values(ArrowCase{true, 0, 65536, "1200", "1201"},
                                           ArrowCase{false, 0, 65536, "1200", "1199"},
                                           ArrowCase{true, 0, 65536, "5", "5", true}));

// Under a window's tab navigation: Tab leaves the field (and the exit rule applies), Enter
// stays in it and is refused like any typed character.
TEST_F(SpinFieldTest, TabLeavesTheFieldAndEnterIsRefusedUnderDialogNavigation)
{
    Configure(1, 9, "12");
    SetDialogNavigation(m_window->Handle());
    FocusAtEnd();
    PressKey(VK_RETURN);
    EXPECT_EQ(GetFocus(), m_field->Handle());
    EXPECT_EQ(m_beeps, 1);
    EXPECT_EQ(m_field->Text(), "12");
    PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), m_other->Handle());
    EXPECT_EQ(m_field->Text(), "9");
    PressKey(VK_TAB, true);
    EXPECT_EQ(GetFocus(), m_field->Handle());
    DWORD start = 1, end = 0;
    SendMessageW(m_field->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 1u);
    // The arrow keys stay with the field.
    PressKey(VK_DOWN);
    SetDialogNavigation(nullptr);
    EXPECT_EQ(GetFocus(), m_field->Handle());
    EXPECT_EQ(m_field->Text(), "8");
}

// A field holding 1000 with the pointer on its up arrow, which stands for both: they share the
// repeat code.
class AutoRepeatTest : public SpinFieldTest
{
protected:
    void SetUp() override
    {
        SpinFieldTest::SetUp();
        Configure(0, 65536, "1000");
        m_pair = m_field->Button().Handle();
        m_centre = ArrowCentre(true);
        MoveMouse(m_pair, {m_centre.x - 1, m_centre.y});
    }
    TTimerSpeedButton &Arrow() { return m_field->Button().UpButton(); }
    void Button(bool down, POINT at) { MouseButton(m_pair, at, down); }
    // Steps taken so far from the start value 1000.
    int Steps() const { return m_field->Value() - 1000; }

    HWND m_pair = nullptr;
    POINT m_centre{};
};

TEST_F(AutoRepeatTest, StepsWhileHeldOverTheArrowAndStopsAtTheRelease)
{
    Arrow().SetRepeatDelay(150);
    Arrow().SetRepeatInterval(40);
    StartCountingTimerTicks(m_pair);
    Button(true, m_centre);
    EXPECT_EQ(Arrow().RepeatTimerInterval(), 150);
    ASSERT_TRUE(PumpUntil([this] { return Steps() >= 3; }));
    EXPECT_EQ(Arrow().RepeatTimerInterval(), 40);
    Button(false, m_centre);
    const int released = Steps();
    EXPECT_EQ(Arrow().RepeatTimerInterval(), 0);
    const int ticks = TimerTicks();
    EXPECT_EQ(released, ticks + 1) << "one step per tick while held, one at the release";
    PumpFor(200);
    EXPECT_EQ(TimerTicks(), ticks) << "the timer is off after the release";
    EXPECT_EQ(Steps(), released);
}

// Which presses step is the rule's table; here: a double-click's second press reaches the arrow
// as a press, and the right button's neither presses nor steps.
TEST_F(AutoRepeatTest, StepsOncePerLeftClick)
{
    for (const bool right : {false, false, true}) {
        MouseButton(m_pair, m_centre, true, right);
        EXPECT_EQ(Arrow().IsDown(), !right);
        MouseButton(m_pair, m_centre, false, right);
    }
    EXPECT_EQ(Steps(), 2);
    EXPECT_EQ(Arrow().RepeatTimerInterval(), 0);
}

// The pause off the arrow is the rule's table; here: the moves reach the arrow.
TEST_F(AutoRepeatTest, PointerOffRaisesTheArrowAndReleaseOffTakesNoStep)
{
    const POINT off{m_centre.x + 60, m_centre.y + 60};
    Button(true, m_centre);
    MoveMouse(m_pair, off);
    EXPECT_FALSE(Arrow().IsDown());
    MoveMouse(m_pair, m_centre);
    EXPECT_TRUE(Arrow().IsDown());
    MoveMouse(m_pair, off);
    Button(false, off);
    EXPECT_EQ(Steps(), 0);
    EXPECT_EQ(Arrow().RepeatTimerInterval(), 0);
}

// At which start the timer fails, and that the next press is ordinary, is the rule's table;
// here: the report and the let-go.
TEST_F(AutoRepeatTest, TimerFailureIsReportedAndThePressDoesNotRepeat)
{
    std::string reported;
    ErrorReportSeam().Set([&reported](const std::string &shownText) { reported = shownText; });
    Arrow().SetTimerAnswerer([calls = 0](int) mutable { return ++calls != 1; });
    Button(true, m_centre);
    EXPECT_EQ(reported, WithFullStop(kTimerErrorText));
    EXPECT_EQ(Arrow().RepeatTimerInterval(), 0);
    Button(false, m_centre);
    EXPECT_EQ(Steps(), 0) << "the report let go of the arrow before showing the error";
}

TEST_F(AutoRepeatTest, FailingRepeatedStepSwitchesTheTimerOffAndIsReported)
{
    Arrow().SetRepeatDelay(100);
    Arrow().SetRepeatInterval(40);
    int reports = 0;
    ErrorReportSeam().Set([&reports](const std::string &shownText) {
        EXPECT_EQ(shownText, "step failed.");
        ++reports;
    });
    m_field->OnChange = [this] {
        if (++m_changes == 2)
            throw EWriteError("step failed");
    };
    Button(true, m_centre);
    ASSERT_TRUE(PumpUntil([&reports] { return reports == 1; }));
    EXPECT_EQ(Arrow().RepeatTimerInterval(), 0);
    const int ticks = TimerTicks();
    StartCountingTimerTicks(m_pair);
    PumpFor(200);
    EXPECT_EQ(TimerTicks(), 0) << ticks;
    EXPECT_EQ(Steps(), 2) << "the failing step itself stands; no more follow";
    Button(false, m_centre);
    EXPECT_EQ(reports, 1);
}

// The exit rule is tests/rules' table; here: the field applies it when the focus leaves.
TEST_F(SpinFieldTest, FocusLossPullsANumberOutsideTheBoundsIn)
{
    Configure(1, 9, "");
    FocusAtEnd();
    TypeText(L"0");
    m_changes = 0;
    PressKey(VK_TAB); // no dialog navigation here: the field drops the tab, the focus stays
    EXPECT_EQ(GetFocus(), m_field->Handle());
    SetFocus(m_other->Handle());
    PumpFor(10);
    EXPECT_EQ(m_field->Text(), "1");
    EXPECT_EQ(m_changes, 1);
}

enum class PasteRoute
{
    CtrlV,
    ShiftInsert,
    Message
};

// The clipboard's text pasted over the whole text of a field holding "7".
struct PasteCase
{
    PasteRoute route;
    bool editorEnabled;
    bool readOnly;
    std::wstring clipboard;
    std::string after;
    std::int32_t value;
};

void PrintTo(const PasteCase &c, std::ostream *os)
{
    *os << static_cast<int>(c.route) << (c.editorEnabled ? "" : " no editor")
        << (c.readOnly ? " read-only" : "") << " \"" << win32::ToUtf8(c.clipboard) << '"';
}

void PutOnClipboard(HWND owner, const std::wstring &text)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    auto *characters = static_cast<wchar_t *>(GlobalLock(memory));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, characters);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

class PasteTest : public SpinFieldTest, public ::testing::WithParamInterface<PasteCase>
{
};

TEST_P(PasteTest, PastesUnfilteredOnlyWhileTheTextMayBeEdited)
{
    const PasteCase &c = GetParam();
    Configure(0, 65536, "7");
    m_field->SetEditorEnabled(c.editorEnabled);
    SendMessageW(m_field->Handle(), EM_SETREADONLY, c.readOnly, 0);
    PutOnClipboard(m_window->Handle(), c.clipboard);
    SetFocus(m_field->Handle());
    SendMessageW(m_field->Handle(), EM_SETSEL, 0, -1);
    PumpFor(10);
    switch (c.route) {
    case PasteRoute::CtrlV:
        PressKey('V', false, true);
        break;
    case PasteRoute::ShiftInsert:
        PressKey(VK_INSERT, true, false);
        break;
    case PasteRoute::Message:
        SendMessageW(m_field->Handle(), WM_PASTE, 0, 0);
        break;
    }
    EXPECT_EQ(m_field->Text(), c.after);
    EXPECT_EQ(m_field->Value(), c.value);
    EXPECT_EQ(m_beeps, 0);
    EXPECT_EQ(m_changes, c.after == "7" ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Pastes, PasteTest,
    ::testing::Values(PasteCase{PasteRoute::ShiftInsert, true, false, L"0x1F", "0x1F", 31},
                      PasteCase{PasteRoute::CtrlV, true, false, L"12\r\n34", "12", 12},
                      PasteCase{PasteRoute::CtrlV, false, false, L"42", "7", 7},
                      PasteCase{PasteRoute::ShiftInsert, false, false, L"42", "7", 7},
                      PasteCase{PasteRoute::Message, false, false, L"42", "7", 7},
                      PasteCase{PasteRoute::CtrlV, true, true, L"42", "7", 7}));

TEST_F(SpinFieldTest, CutAndDeleteNeedTheEditor)
{
    Configure(0, 65536, "123");
    m_field->SetEditorEnabled(false);
    SetFocus(m_field->Handle());
    SendMessageW(m_field->Handle(), EM_SETSEL, 0, -1);
    PressKey('X', false, true);
    PressKey(VK_DELETE);
    PressKey(VK_DELETE, true, false);
    SendMessageW(m_field->Handle(), WM_CUT, 0, 0);
    SendMessageW(m_field->Handle(), WM_CLEAR, 0, 0);
    EXPECT_EQ(m_field->Text(), "123");
    m_field->SetEditorEnabled(true);
    PressKey('X', false, true);
    EXPECT_EQ(m_field->Text(), "");
    EXPECT_EQ(m_changes, 1);
}

// Focus that comes with a left press inside the text places the caret; by keyboard it selects
// the whole text.
TEST_F(SpinFieldTest, LeftPressInsideTheTextSelectsNothing)
{
    Configure(0, 65536, "1200");
    SetFocus(m_other->Handle());
    PumpFor(10);
    MoveMouse(m_field->Handle(), {40, 8});
    MouseButton(m_field->Handle(), {41, 8}, true);
    MouseButton(m_field->Handle(), {41, 8}, false);
    EXPECT_EQ(GetFocus(), m_field->Handle());
    DWORD start = 0, end = 0;
    SendMessageW(m_field->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end);
    SetFocus(m_other->Handle());
    SetFocus(m_field->Handle());
    SendMessageW(m_field->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 4u);
}

// Writes of Value: the bounded number, a change notice only when the text changes.
TEST_F(SpinFieldTest, ValueWritesRaiseOnChangeOnlyForNewText)
{
    Configure(0, 65536, "005");
    m_field->SetValue(5);
    EXPECT_EQ(m_field->Text(), "5");
    EXPECT_EQ(m_changes, 1);
    m_field->SetValue(5);
    EXPECT_EQ(m_changes, 1);
    m_field->SetValue(70000);
    EXPECT_EQ(m_field->Text(), "65536");
    EXPECT_EQ(m_changes, 2);
}

// The main window's field: 121 x 21 with its 12-pixel font, the pair inside its right edge and
// the text area ending left of it.
TEST_F(SpinFieldTest, PairAndTextAreaStandWhereTheLayoutPutsThem)
{
    RECT outer{};
    GetWindowRect(m_field->Handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 121);
    EXPECT_EQ(outer.bottom - outer.top, 21);
    EXPECT_EQ(m_field->Button().Bounds(), (Rect{101, 0, 15, 16}));
    EXPECT_EQ(m_field->Button().UpButton().Bounds(), (Rect{0, 0, 15, 8}));
    EXPECT_EQ(m_field->Button().DownButton().Bounds(), (Rect{0, 7, 15, 9}));
    RECT client{}, text{};
    GetClientRect(m_field->Handle(), &client);
    SendMessageW(m_field->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    // Wine insets the rectangle by the client edge's pixel; Windows takes it as given.
    EXPECT_LE(text.right, client.right - kSpinPairWidth - 2);
    EXPECT_GE(text.right, client.right - kSpinPairWidth - 3);
    // A height below the font's least one is raised to it, however the field is resized.
    m_field->SetBounds({10, 10, 121, 10});
    GetWindowRect(m_field->Handle(), &outer);
    EXPECT_EQ(outer.bottom - outer.top, m_field->MinimumHeight());
    SetWindowPos(m_field->Handle(), nullptr, 0, 0, 150, 12, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(m_field->Handle(), &outer);
    EXPECT_EQ(outer.bottom - outer.top, m_field->MinimumHeight());
    EXPECT_EQ(m_field->Button().Bounds(), (Rect{150 - 15 - 5, 0, 15, 16}));
    EXPECT_EQ(GetWindowLongW(m_field->Handle(), GWL_STYLE) & WS_TABSTOP, WS_TABSTOP);
}

// Digits only: no input method composes full-width digits for the field to refuse.
TEST_F(SpinFieldTest, InputMethodIsOff)
{
    EXPECT_EQ(ImmGetContext(m_field->Handle()), nullptr);
}

// The arrows as drawn, pixel for pixel against the bitmaps that the Qt field shows.
class ArrowGlyphTest : public SpinFieldTest, public ::testing::WithParamInterface<bool>
{
};

// A memory device context compatible with the screen, holding a bitmap while it lives.
// Members end in reverse: the old bitmap goes back, then the bitmap and the context are deleted.
struct MemoryCanvas
{
    explicit MemoryCanvas(HBITMAP bitmap) : Bitmap(bitmap), Selected(Dc.get(), bitmap) {}

    std::unique_ptr<HDC__, decltype(&DeleteDC)> Dc{CreateCompatibleDC(nullptr), &DeleteDC};
    OwnedGdiObject<HBITMAP> Bitmap;
    SelectedObject Selected;
};

TEST_P(ArrowGlyphTest, DrawsTheBitmapWithItsBackgroundTransparent)
{
    const bool up = GetParam();
    const std::wstring path =
        win32::ToWide(std::string(MRFYC_ARROW_BITMAPS) + (up ? "spin_up.bmp" : "spin_down.bmp"))
            .value();
    MemoryCanvas glyph(static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                       LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    ASSERT_NE(glyph.Bitmap.Get(), nullptr);
    const COLORREF background = GetPixel(glyph.Dc.get(), 0, kArrowGlyphHeight - 1);

    TTimerSpeedButton &arrow = up ? m_field->Button().UpButton() : m_field->Button().DownButton();
    const Rect bounds = arrow.Bounds();
    WindowDC screen(nullptr);
    const int width = bounds.Left + bounds.Width, height = bounds.Top + bounds.Height;
    MemoryCanvas drawn(CreateCompatibleBitmap(screen, width, height));
    arrow.Paint(drawn.Dc.get());
    // 15 x 8 (up) or 15 x 9 (down): the spare odd pixel goes to the left or top margin.
    const int left = bounds.Left + (bounds.Width - kArrowGlyphWidth + 1) / 2;
    const int top = bounds.Top + (bounds.Height - kArrowGlyphHeight + 1) / 2;
    // The same button without its glyph: what the transparent background lets through.
    MemoryCanvas frame(CreateCompatibleBitmap(screen, width, height));
    RECT buttonArea{bounds.Left, bounds.Top, width, height};
    DrawFrameControl(frame.Dc.get(), &buttonArea, DFC_BUTTON, DFCS_BUTTONPUSH);
    int black = 0;
    for (int y = 0; y < kArrowGlyphHeight; ++y) {
        for (int x = 0; x < kArrowGlyphWidth; ++x) {
            const bool triangle = GetPixel(glyph.Dc.get(), x, y) != background;
            black += triangle;
            EXPECT_EQ(GetPixel(drawn.Dc.get(), left + x, top + y),
                      triangle ? GetSysColor(COLOR_BTNTEXT)
                               : GetPixel(frame.Dc.get(), left + x, top + y))
                << "pixel " << x << ", " << y;
        }
    }
    EXPECT_EQ(black, 16);
}

INSTANTIATE_TEST_SUITE_P(Glyphs, ArrowGlyphTest, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Up" : "Down"; });

} // namespace
} // namespace mrfyc
