// SPDX-License-Identifier: MIT
#include "ui/win32/spin_edit.h"

#include "files/win32/wide_text.h"
#include "rules/errors.h"
#include "rules/spin_field_geometry.h"
#include "shell/beep.h"
#include "shell/win32/error_report.h"
#include "shell/win32/gdi_owners.h"
#include "shell/win32/window_text.h"

#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <string>

namespace mrfyc {

namespace {

constexpr wchar_t kTab = 9;
constexpr wchar_t kLineFeed = 10;
constexpr wchar_t kCtrlV = 22;
constexpr wchar_t kCtrlX = 24;
constexpr wchar_t kCtrlZ = 26;

char32_t DecimalSeparator()
{
    wchar_t separator[4]{};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4);
    return length == 2 ? static_cast<char32_t>(separator[0]) : U'.';
}

bool ShiftHeld()
{
    return GetKeyState(VK_SHIFT) < 0;
}

std::wstring ClipboardText(HWND owner)
{
    std::wstring text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto *characters = static_cast<const wchar_t *>(GlobalLock(data))) {
            const std::size_t limit = GlobalSize(data) / sizeof(wchar_t);
            text.assign(characters, std::find(characters, characters + limit, L'\0'));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The height of a font's text; any screen DC measures it as the field's own would.
int FontTextHeight(HFONT font)
{
    const WindowDC dc(nullptr);
    const SelectedObject selected(dc,
                                  font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    return metrics.tmHeight;
}

} // namespace

TSpinEdit::TSpinEdit(HWND parent, int controlId, const Rect &bounds, HFONT font)
    : m_textHeight(FontTextHeight(font))
{
    // At the height the font gives and with the font before anything is drawn or placed: under
    // Wine every move is a round trip to the server, and a field laid out first in the system font
    // took twice the moves.
    const int height = HeightFor(bounds.Height);
    m_edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"0",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | ES_MULTILINE |
                                 ES_AUTOHSCROLL,
                             bounds.Left, bounds.Top, bounds.Width, height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                             GetModuleHandleW(nullptr), nullptr);
    if (!m_edit)
        throw Exception("The spin field cannot be created", static_cast<int>(GetLastError()));
    if (font)
        SendMessageW(m_edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    RECT client{};
    GetClientRect(m_edit, &client);
    const SpinPairPlace place =
        PlaceSpinPair({bounds.Width, height}, client.right, kSpinPairWidth, true);
    try {
        m_button = std::make_unique<TSpinButton>(m_edit, place.Pair);
    } catch (...) {
        DestroyWindow(m_edit);
        throw;
    }
    FitTextBeside(place, client.bottom);
    // Digits only: an input method left on would compose full-width digits, each refused.
    ImmAssociateContextEx(m_edit, nullptr, 0);
    m_button->SetFocusControl(m_edit);
    // Through the virtual operations, so that a derived field's steps are the ones taken.
    m_button->OnUpClick = [this] { StepUp(); };
    m_button->OnDownClick = [this] { StepDown(); };
    Subclass<TSpinEdit>::Attach(m_edit, this);
}

TSpinEdit::~TSpinEdit()
{
    if (IsWindow(m_edit)) {
        Subclass<TSpinEdit>::Detach(m_edit);
        m_button.reset();
        DestroyWindow(m_edit);
    }
}

void TSpinEdit::SetBounds(const Rect &bounds)
{
    SetWindowPos(m_edit, nullptr, bounds.Left, bounds.Top, bounds.Width, bounds.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSpinEdit::SetPixelsPerInch(int pixelsPerInch)
{
    m_button->SetPixelsPerInch(pixelsPerInch);
    PlaceButton();
}

void TSpinEdit::SetFont(HFONT font)
{
    SendMessageW(m_edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::string TSpinEdit::Text() const
{
    return win32::ToUtf8(WindowText(m_edit));
}

std::int32_t TSpinEdit::Value() const
{
    return ReadSpinValue(Text(), m_bounds);
}

void TSpinEdit::SetValue(std::int32_t value)
{
    ShowText(SpinValueText(ClampSpinValue(value, m_bounds)));
}

void TSpinEdit::SetAccessibleName(const std::wstring &name)
{
    m_accessibleName = name;
    m_button->SetAccessibleName(name);
}

bool TSpinEdit::ReadOnly() const
{
    return (GetWindowLongW(m_edit, GWL_STYLE) & ES_READONLY) != 0;
}

bool TSpinEdit::AcceptsChar(char32_t character) const
{
    return SpinAcceptsChar(character, m_editorEnabled, DecimalSeparator());
}

void TSpinEdit::StepUp()
{
    Step(SpinDirection::Up);
}

void TSpinEdit::StepDown()
{
    Step(SpinDirection::Down);
}

void TSpinEdit::Step(SpinDirection direction)
{
    if (ReadOnly()) {
        Beep(BeepKind::Default);
        return;
    }
    ShowText(SpinValueText(SteppedSpinValue(Text(), Increment, direction, m_bounds)));
}

void TSpinEdit::ShowText(const std::string &utf8)
{
    if (utf8 == Text())
        return;
    const std::wstring wide = win32::ToWide(utf8).value_or(std::wstring());
    m_writingText = true;
    SetWindowTextW(m_edit, wide.c_str());
    m_writingText = false;
    // The edit tells of its own new text; the pair shows it as its value too.
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, m_button->Handle(), OBJID_CLIENT, CHILDID_SELF);
    RaiseChange();
}

void TSpinEdit::EditChanged()
{
    // The field's own writes have raised OnChange already.
    if (!m_writingText)
        RaiseChange();
}

void TSpinEdit::RaiseChange()
{
    if (OnChange)
        OnChange();
}

bool TSpinEdit::MayEditText() const
{
    return SpinMayEditText(m_editorEnabled, ReadOnly());
}

void TSpinEdit::Paste()
{
    if (!MayEditText())
        return;
    const std::string clip = win32::ToUtf8(ClipboardText(m_edit));
    const std::wstring inserted = win32::ToWide(SpinPasteText(clip)).value_or(std::wstring());
    SendMessageW(m_edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(inserted.c_str()));
}

void TSpinEdit::Exit()
{
    if (const auto left = SpinExitText(Text(), m_bounds))
        ShowText(*left);
}

int TSpinEdit::AutoSizeHeight() const
{
    return SpinFieldAutoSizeHeight(m_textHeight, GetSystemMetrics(SM_CYBORDER), true);
}

int TSpinEdit::MinimumHeight() const
{
    // The system font is the same for every field and the whole run: measured once, not with
    // every move of every field.
    static const int systemText = FontTextHeight(nullptr);
    return SpinFieldMinimumHeight(m_textHeight, systemText, GetSystemMetrics(SM_CYBORDER));
}

int TSpinEdit::HeightFor(int height) const
{
    if (AutoSize)
        height = AutoSizeHeight();
    return std::max(height, MinimumHeight());
}

void TSpinEdit::ApplyHeightRules()
{
    RECT outer{};
    GetWindowRect(m_edit, &outer);
    const int height = HeightFor(outer.bottom - outer.top);
    if (height != outer.bottom - outer.top)
        SetWindowPos(m_edit, nullptr, 0, 0, outer.right - outer.left, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSpinEdit::PlaceButton()
{
    if (!m_button)
        return;
    RECT outer{};
    GetWindowRect(m_edit, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    if (height < MinimumHeight())
        return;
    RECT client{};
    GetClientRect(m_edit, &client);
    const SpinPairPlace place =
        PlaceSpinPair({width, height}, client.right, m_button->Bounds().Width, true);
    m_button->SetBounds(place.Pair);
    FitTextBeside(place, client.bottom);
}

void TSpinEdit::FitTextBeside(const SpinPairPlace &place, int clientBottom)
{
    RECT text{0, 0, place.TextRight, clientBottom + 1};
    // The edit would keep a right margin inside the rectangle; the pair leaves room enough.
    SendMessageW(m_edit, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, 0));
    SendMessageW(m_edit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&text));
}

LRESULT TSpinEdit::PassOn(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefSubclassProc(m_edit, message, wParam, lParam);
}

LRESULT TSpinEdit::HandleCharacter(UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto character = static_cast<wchar_t>(wParam);
    if (character >= 0xDC00 && character <= 0xDFFF)
        return 0; // the second half of a character whose first half was refused
    const char32_t code = character >= 0xD800 && character <= 0xDBFF ? 0x10000 : character;
    if (!AcceptsChar(code)) {
        Beep(BeepKind::Default);
        return 0;
    }
    switch (character) {
    case kCtrlV:
        SendMessageW(m_edit, WM_PASTE, 0, 0);
        return 0;
    case kCtrlX:
        SendMessageW(m_edit, WM_CUT, 0, 0);
        return 0;
    case kCtrlZ:
        SendMessageW(m_edit, WM_UNDO, 0, 0);
        return 0;
    case kTab:
    case kLineFeed:
        return 0; // the field shows one line
    default:
        return PassOn(message, wParam, lParam);
    }
}

LRESULT TSpinEdit::HandleKeyDown(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case VK_UP:
        StepUp();
        break;
    case VK_DOWN:
        StepDown();
        break;
    case VK_INSERT:
        if (ShiftHeld()) {
            SendMessageW(m_edit, WM_PASTE, 0, 0);
            return 0;
        }
        break;
    case VK_DELETE:
        if (ShiftHeld()) {
            SendMessageW(m_edit, WM_CUT, 0, 0);
            return 0;
        }
        // Without the editor the text changes only by steps.
        if (!m_editorEnabled)
            return 0;
        break;
    default:
        break;
    }
    if (!IsWindow(m_edit))
        return 0;
    return PassOn(message, wParam, lParam);
}

LRESULT TSpinEdit::HandleSubclassed(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR:
        return HandleCharacter(message, wParam, lParam);
    case WM_IME_COMPOSITION:
        // The result string comes back as WM_IME_CHAR messages, each through the character test.
        if (lParam & GCS_RESULTSTR)
            return DefWindowProcW(m_edit, message, wParam, lParam);
        return PassOn(message, wParam, lParam);
    case WM_KEYDOWN:
        return HandleKeyDown(message, wParam, lParam);
    case WM_GETDLGCODE: {
        // One line: Tab and Esc belong to the dialog navigation; Enter reaches the character
        // test, which refuses it.
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        const auto *queued = reinterpret_cast<const MSG *>(lParam);
        if (queued && (queued->message == WM_KEYDOWN || queued->message == WM_CHAR) &&
            queued->wParam == VK_RETURN)
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_PASTE:
        Paste();
        return 0;
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
        return MayEditText() ? PassOn(message, wParam, lParam) : 0;
    case WM_LBUTTONDOWN: {
        m_pressInText = true;
        const LRESULT result = PassOn(message, wParam, lParam);
        m_pressInText = false;
        return result;
    }
    case WM_SETFOCUS: {
        const LRESULT result = PassOn(message, wParam, lParam);
        if (AutoSelect && !m_pressInText)
            SendMessageW(m_edit, EM_SETSEL, 0, -1);
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = PassOn(message, wParam, lParam);
        Exit();
        return result;
    }
    case WM_SETFONT: {
        // The font sets the edit's margins and the field's height; the pair is placed anew.
        const LRESULT result = PassOn(message, wParam, lParam);
        m_textHeight = FontTextHeight(reinterpret_cast<HFONT>(wParam));
        ApplyHeightRules();
        PlaceButton();
        return result;
    }
    case WM_WINDOWPOSCHANGING: {
        // However the field is resized (the window's scaling included), never below the least
        // height that its font allows.
        auto *position = reinterpret_cast<WINDOWPOS *>(lParam);
        if (!(position->flags & SWP_NOSIZE))
            position->cy = std::max(position->cy, MinimumHeight());
        return PassOn(message, wParam, lParam);
    }
    case WM_SIZE: {
        const LRESULT result = PassOn(message, wParam, lParam);
        PlaceButton();
        return result;
    }
    case WM_GETOBJECT:
        // The standard object of an edit control, with the field's name in front of it.
        if (const auto answer = m_accessibility.Answer(m_edit, wParam, lParam))
            return *answer;
        return PassOn(message, wParam, lParam);
    case WM_NCPAINT: {
        // A themed edit draws its frame as one background over the whole window, through a
        // window DC that WS_CLIPCHILDREN does not clip, whenever the focus or the state changes.
        // That covers the pair, which nothing has invalidated: it is painted again at once.
        const LRESULT result = PassOn(message, wParam, lParam);
        if (m_button)
            RedrawWindow(m_button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return result;
    }
    default:
        return PassOn(message, wParam, lParam);
    }
}

} // namespace mrfyc
