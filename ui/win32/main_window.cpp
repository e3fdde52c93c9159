// SPDX-License-Identifier: MIT
#include "ui/win32/main_window.h"

#include "files/log_patch.h"
#include "files/win32/wide_text.h"
#include "rules/header_fields.h"
#include "rules/log_file_selection.h"
#include "rules/main_window_layout.h"
#include "rules/menu_access_key.h"
#include "rules/put_command.h"
#include "shell/win32/application.h"
#include "shell/win32/error_report.h"
#include "shell/win32/gdi_owners.h"
#include "shell/win32/message_loop.h"
#include "shell/win32/notice.h"
#include "shell/win32/pixel_density.h"
#include "ui/win32/spin_edit.h"
#include "ui/win32/window_font.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>

namespace mrfyc {

namespace {

constexpr wchar_t kClassName[] = L"mrfycTForm1";
constexpr UINT_PTR kKeySubclassId = 1;
constexpr UINT kOpenFromOutside = WM_APP + 1;
constexpr UINT kCreateFileTip = WM_APP + 2;
constexpr int kLineScroll = 8;

// Control identifiers; none is IDOK or IDCANCEL, so that a dialog manager's Enter or Esc in a
// field reaches no command.
enum ControlId : int
{
    kOpenCommandId = 100,
    kButtonId = 101,
    kFirstFieldId = 102,
};

std::wstring Wide(std::string_view utf8)
{
    return win32::ToWide(utf8).value_or(std::wstring());
}

std::wstring WideFromUtf32(const std::u32string &text)
{
    std::wstring wide;
    for (const char32_t c : text) {
        if (c >= 0x10000) {
            wide.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            wide.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            wide.push_back(static_cast<wchar_t>(c));
        }
    }
    return wide;
}

bool ModifierHeld()
{
    return GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
}

} // namespace

TForm1::TForm1(HINSTANCE instance, HWND owner, LogFileSelection &selection)
    : m_selection(selection), m_owner(owner)
{
    CreateWindowFrame(instance, owner);
    BuildContents();
}

TForm1::~TForm1() = default;

void TForm1::BuildContents()
{
    m_face = WindowFontFace();
    // Created at the design place, the frame learns its screen's scale only now; sized before the
    // controls exist, it shows no scroll bar on the way.
    m_pixelsPerInch = WindowPixelsPerInch(m_handle);
    const ScaledMainWindow layout = MainWindowAt(m_pixelsPerInch);
    if (m_pixelsPerInch != kDesignPixelsPerInch) {
        const Rect &outer = layout.Outer;
        SetWindowPos(m_handle, nullptr, outer.Left, outer.Top, outer.Width, outer.Height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_font.Reset(CreateWindowFont(m_face, layout.FontHeight));
    CreateControls(layout);
    SetUpMenu();
    ShowSelection();
}

void TForm1::CreateWindowFrame(HINSTANCE instance, HWND owner)
{
    Register({.Name = kClassName,
              .Style = CS_DBLCLKS,
              .Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
              .Icon = ApplicationIcon(GetSystemMetrics(SM_CXICON)),
              .SmallIcon = ApplicationIcon(GetSystemMetrics(SM_CXSMICON))});
    const Rect &outer = kMainWindowOuter;
    // A drop target from the start: the style is all DragAcceptFiles would set, and the shell's
    // library is then loaded only once something is dropped.
    m_window.Reset(Create(WS_EX_ACCEPTFILES, kClassName, Wide(kMainWindowCaption).c_str(),
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, outer.Left, outer.Top, outer.Width,
                          outer.Height, owner, instance));
    if (!m_handle)
        throw std::runtime_error("CreateWindowExW failed for the main window");
}

void TForm1::CreateControls(const ScaledMainWindow &layout)
{
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(m_handle, GWLP_HINSTANCE));
    // Created in tab order, so that the window's own child order agrees with it.
    const Rect &button = layout.TabStops[kButtonStop];
    btnPut = CreateWindowExW(0, L"BUTTON", Wide(kTabStops[kButtonStop].Text).c_str(),
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, button.Left,
                             button.Top, button.Width, button.Height, m_handle,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), instance,
                             nullptr);
    if (!btnPut)
        throw std::runtime_error("CreateWindowExW failed for the OK button");
    SendMessageW(btnPut, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    Subclass<TForm1>::Attach(btnPut, this, kKeySubclassId);

    CreateFields(layout);
    CreateLabels(layout);
    // Each caption names its field, for screen readers.
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index)
        m_fields[index]->SetAccessibleName(m_captions[index]->Text());
    MeasureContent();
    // The tip is needed only once the pointer rests on the label: it is made after the first
    // paint, before a file handed over from outside is taken.
    PostMessageW(m_handle, kCreateFileTip, 0, 0);
    UpdateScrollRange();
}

void TForm1::CreateFields(const ScaledMainWindow &layout)
{
    for (std::size_t index = 0; index < kTabStops.size(); ++index) {
        const std::optional<HeaderFieldIndex> field = FieldAtStop(index);
        if (!field)
            continue;
        const HeaderField &row = kHeaderFields[*field];
        auto spin =
            std::make_unique<TSpinEdit>(m_handle, kFirstFieldId + static_cast<int>(index) - 1,
                                        layout.TabStops[index], m_font.Get());
        // At the design scale the arrow pair already has its size and glyphs.
        if (m_pixelsPerInch != kDesignPixelsPerInch)
            spin->SetPixelsPerInch(m_pixelsPerInch);
        spin->SetMinValue(row.Minimum);
        spin->SetMaxValue(row.Maximum);
        spin->SetValue(row.Default);
        Subclass<TForm1>::Attach(spin->Handle(), this, kKeySubclassId);
        m_fields[*field] = std::move(spin);
    }
}

void TForm1::CreateLabels(const ScaledMainWindow &layout)
{
    for (std::size_t index = 0; index < kLabels.size(); ++index) {
        const ControlPlace &place = kLabels[index];
        const std::optional<HeaderFieldIndex> field = FieldAtStop(index);
        TLabel::Style style;
        if (!field) {
            style.AutoSize = false;
            style.WordWrap = true;
            // A path is shown as it is: an "&" in it is a character, not a mark.
            style.ShowAccelChar = false;
        }
        auto label = std::make_unique<TLabel>(m_handle, layout.Labels[index], Wide(place.Text),
                                              style, m_font.Get());
        (field ? m_captions[*field] : lblFile) = std::move(label);
    }
}

TLabel &TForm1::LabelAt(std::size_t index) const
{
    const std::optional<HeaderFieldIndex> field = FieldAtStop(index);
    return field ? *m_captions[*field] : *lblFile;
}

void TForm1::MeasureContent()
{
    RECT reach{};
    for (HWND child = GetWindow(m_handle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT bounds;
        GetWindowRect(child, &bounds);
        MapWindowPoints(nullptr, m_handle, reinterpret_cast<POINT *>(&bounds), 2);
        UnionRect(&reach, &reach, &bounds);
    }
    m_contentExtent[0] = reach.right;
    m_contentExtent[1] = reach.bottom;
}

void TForm1::ScaleTo(int pixelsPerInch, const RECT &suggested)
{
    // Controls are placed in unscrolled coordinates.
    ScrollTo(SB_HORZ, 0);
    ScrollTo(SB_VERT, 0);
    m_pixelsPerInch = pixelsPerInch;
    const ScaledMainWindow layout = MainWindowAt(pixelsPerInch);
    // The old font goes only once no control uses it.
    const HFONT font = CreateWindowFont(m_face, layout.FontHeight);
    MoveWindow(btnPut, layout.TabStops[kButtonStop].Left, layout.TabStops[kButtonStop].Top,
               layout.TabStops[kButtonStop].Width, layout.TabStops[kButtonStop].Height, TRUE);
    SendMessageW(btnPut, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // Bounds before the font, in the order the controls were built, so that the fields' heights
    // come out as at creation.
    for (std::size_t index = 0; index < kTabStops.size(); ++index) {
        const std::optional<HeaderFieldIndex> field = FieldAtStop(index);
        if (!field)
            continue;
        TSpinEdit &spin = *m_fields[*field];
        spin.Button().SetPixelsPerInch(pixelsPerInch);
        spin.SetBounds(layout.TabStops[index]);
        spin.SetFont(font);
    }
    for (std::size_t index = 0; index < kLabels.size(); ++index) {
        LabelAt(index).SetBounds(layout.Labels[index]);
        LabelAt(index).SetFont(font);
    }
    m_font.Reset(font);
    MeasureContent();
    SetWindowPos(m_handle, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateScrollRange();
    if (m_fileTip) {
        TTTOOLINFOW tool = FileTool();
        SendMessageW(m_fileTip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    InvalidateRect(m_handle, nullptr, TRUE);
}

void TForm1::CreateFileTip(HINSTANCE instance)
{
    m_fileTip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, m_handle, nullptr, instance, nullptr);
    if (!m_fileTip)
        return; // the label still shows what fits
    TTTOOLINFOW tool = FileTool();
    tool.uFlags = TTF_SUBCLASS;
    tool.lpszText = const_cast<wchar_t *>(L"");
    SendMessageW(m_fileTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // A long path wraps rather than running off the screen.
    SendMessageW(m_fileTip, TTM_SETMAXTIPWIDTH, 0, 600);
    UpdateFileTip();
}

TTTOOLINFOW TForm1::FileTool() const
{
    // The label lets the mouse through to the window, so the tool is the label's place on it.
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_handle;
    tool.uId = 1;
    GetWindowRect(lblFile->Handle(), &tool.rect);
    MapWindowPoints(nullptr, m_handle, reinterpret_cast<POINT *>(&tool.rect), 2);
    return tool;
}

std::wstring TForm1::FileTipText() const
{
    if (!m_fileTip)
        return {};
    std::wstring text(32768, L'\0');
    TTTOOLINFOW tool = FileTool();
    tool.lpszText = text.data();
    SendMessageW(m_fileTip, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    text.resize(wcslen(text.c_str()));
    return text;
}

void TForm1::SetUpMenu()
{
    MainMenu1 = CreateMenu();
    const bool doubleByteSystem = GetSystemMetrics(SM_DBCSENABLED) != 0;
    const std::wstring caption = WideFromUtf32(
        AssignMenuAccessKeys({std::u32string(kOpenCommandCaption)}, doubleByteSystem)[0]);
    AppendMenuW(MainMenu1, MF_STRING, kOpenCommandId, caption.c_str());
    SetMenu(m_handle, MainMenu1);
}

void TForm1::OpenClick()
{
    CancelMouseCapture();
    if (!OpenDialog1.Execute(m_owner ? m_owner : m_handle, m_handle))
        return;
    m_selection.ApplyOpenRule(win32::ToUtf8(OpenDialog1.FileName()));
    ShowSelection();
}

THeaderSettings TForm1::FieldValues() const
{
    THeaderSettings values;
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index)
        values.Field(static_cast<HeaderFieldIndex>(index)) = m_fields[index]->Value();
    return values;
}

void TForm1::btnPutClick()
{
    // Errors go on to the command's report.
    RunPutCommand(m_selection.CurrentLogPath(),
                  {[this] { return FieldValues(); }, PatchLogFileBesideProgram, ShowNotice});
}

void TForm1::WMDropFiles(HDROP drop)
{
    // Released after the accepted and the refused drop alike, and after any notice has closed.
    struct Release
    {
        HDROP drop;
        ~Release() { DragFinish(drop); }
    } release{drop};
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    if (length == 0)
        return;
    // The whole path: a path cut short could name another file, which would then be patched.
    std::wstring path(length + 1, L'\0');
    path.resize(DragQueryFileW(drop, 0, path.data(), length + 1));
    if (m_selection.ApplyDropRule(win32::ToUtf8(path), ShowNotice))
        ShowSelection();
}

void TForm1::OpenFromOutsideLater(const std::string &path)
{
    m_pendingPath = path;
    m_hasPendingPath = true;
    PostMessageW(m_handle, kOpenFromOutside, 0, 0);
}

void TForm1::ShowSelection()
{
    lblFile->SetText(Wide(m_selection.LabelText()));
    UpdateFileTip();
}

void TForm1::UpdateFileTip()
{
    // The label cuts a long path off after three lines; the tip shows all of it.
    if (!m_fileTip)
        return;
    const std::wstring path = Wide(m_selection.CurrentLogPath());
    TTTOOLINFOW tool = FileTool();
    tool.lpszText = const_cast<wchar_t *>(path.c_str());
    SendMessageW(m_fileTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

HWND TForm1::TabStop(std::size_t index) const
{
    const std::optional<HeaderFieldIndex> field = FieldAtStop(index);
    return field ? m_fields[*field]->Handle() : btnPut;
}

void TForm1::FocusNextControl(HWND current, bool backward)
{
    std::size_t index = kTabStops.size();
    for (std::size_t i = 0; i < kTabStops.size(); ++i)
        if (TabStop(i) == current)
            index = i;
    HWND next = TabStop(NextTabStop(index, backward));
    SetFocus(next);
    // As a dialog does: a field reached by Tab has its whole text selected.
    if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(next, EM_SETSEL, 0, -1);
}

void TForm1::UpdateScrollRange()
{
    RECT client;
    GetClientRect(m_handle, &client);
    // A bar shown only because the other one took room goes once both can go: what fits in the
    // client area without them needs neither.
    const LONG style = GetWindowLongW(m_handle, GWL_STYLE);
    RECT bare = client;
    if (style & WS_VSCROLL)
        bare.right += SystemMetricAt(SM_CXVSCROLL, m_pixelsPerInch);
    if (style & WS_HSCROLL)
        bare.bottom += SystemMetricAt(SM_CYHSCROLL, m_pixelsPerInch);
    const bool fits = m_contentExtent[0] <= bare.right && m_contentExtent[1] <= bare.bottom;
    const int page[] = {fits ? bare.right : client.right, fits ? bare.bottom : client.bottom};
    for (const int bar : {SB_HORZ, SB_VERT}) {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_PAGE;
        info.nMin = 0;
        info.nMax = m_contentExtent[bar] - 1;
        info.nPage = static_cast<UINT>(std::max(page[bar], 0));
        SetScrollInfo(m_handle, bar, &info, TRUE);
        // A larger client area may leave less to scroll: the controls follow the bar.
        ScrollTo(bar, m_scrollPosition[bar]);
    }
}

void TForm1::Scroll(int bar, WORD request)
{
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(m_handle, bar, &info);
    int position = info.nPos;
    switch (request) {
    case SB_LINEUP:
        position -= kLineScroll;
        break;
    case SB_LINEDOWN:
        position += kLineScroll;
        break;
    case SB_PAGEUP:
        position -= static_cast<int>(info.nPage);
        break;
    case SB_PAGEDOWN:
        position += static_cast<int>(info.nPage);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        position = info.nTrackPos;
        break;
    case SB_TOP:
        position = info.nMin;
        break;
    case SB_BOTTOM:
        position = info.nMax;
        break;
    default:
        return;
    }
    ScrollTo(bar, position);
}

void TForm1::ScrollTo(int bar, int position)
{
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    GetScrollInfo(m_handle, bar, &info);
    const int last = std::max(0, info.nMax - static_cast<int>(info.nPage) + 1);
    position = std::clamp(position, 0, last);
    const int delta = m_scrollPosition[bar] - position;
    m_scrollPosition[bar] = position;
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(m_handle, bar, &info, TRUE);
    if (delta == 0)
        return;
    ScrollWindowEx(m_handle, bar == SB_HORZ ? delta : 0, bar == SB_VERT ? delta : 0, nullptr,
                   nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    if (m_fileTip) {
        TTTOOLINFOW tool = FileTool();
        SendMessageW(m_fileTip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == KeyPreviewMessage())
        return PreviewKey(*reinterpret_cast<const MSG *>(lParam)) ? 1 : 0;
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kOpenCommandId && HIWORD(wParam) == 0 && lParam == 0) {
            RunCommand([this] { OpenClick(); });
            return 0;
        }
        if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) {
            RunCommand([this] { btnPutClick(); });
            return 0;
        }
        break;
    case WM_DROPFILES:
        RunCommand([this, wParam] { WMDropFiles(reinterpret_cast<HDROP>(wParam)); });
        return 0;
    case kCreateFileTip:
        if (!m_fileTip)
            CreateFileTip(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(m_handle, GWLP_HINSTANCE)));
        return 0;
    case kOpenFromOutside:
        if (m_hasPendingPath) {
            m_hasPendingPath = false;
            RunCommand([this] {
                if (m_selection.ApplyDropRule(m_pendingPath, ShowNotice))
                    ShowSelection();
            });
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(m_handle, focus))
                m_lastFocus = focus;
        } else if (!HIWORD(wParam)) {
            // Back to the control that had the focus, or the first in tab order.
            SetFocus(m_lastFocus && IsWindow(m_lastFocus) ? m_lastFocus : btnPut);
        }
        return 0;
    case WM_SETFOCUS:
        SetFocus(m_lastFocus && IsWindow(m_lastFocus) ? m_lastFocus : btnPut);
        return 0;
    case WM_SIZE:
        UpdateScrollRange();
        break;
    case WM_DPICHANGED:
        // Another screen's scale: the whole window anew, in the rectangle Windows suggests.
        // Not before the captions, the last controls made, exist.
        if (std::all_of(
                m_captions.begin(), m_captions.end(),
                [](const std::unique_ptr<TLabel> &caption) { return caption != nullptr; })) {
            ScaleTo(HIWORD(wParam), *reinterpret_cast<const RECT *>(lParam));
            return 0;
        }
        break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        // A high-contrast scheme switched on or off: what the window draws itself (the arrows,
        // the labels) takes the system's colours as it paints, so painting again is enough.
        FollowColourScheme(m_handle, message, wParam, lParam);
        break;
    case WM_HSCROLL:
        Scroll(SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_VSCROLL:
        Scroll(SB_VERT, LOWORD(wParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_handle, message, wParam, lParam);
}

bool TForm1::PreviewKey(const MSG &key)
{
    // Ctrl+O, the usual key for opening, beside the menu's access key, from every control.
    const bool ctrlOnly =
        GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (key.message != WM_KEYDOWN || key.wParam != 'O' || !ctrlOnly)
        return false;
    RunCommand([this] { OpenClick(); });
    return true;
}

LRESULT TForm1::HandleSubclassed(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleControlKey(control, message, wParam, lParam, result))
        return result;
    return DefSubclassProc(control, message, wParam, lParam);
}

bool TForm1::HandleControlKey(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT &result)
{
    const bool isButton = control == btnPut;
    switch (message) {
    case WM_GETDLGCODE:
        // A dialog manager in the loop would click the button on Enter whatever the modifiers;
        // the button asks for Enter itself instead.
        if (isButton && lParam) {
            const auto *pending = reinterpret_cast<const MSG *>(lParam);
            if (pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) {
                result = DefSubclassProc(control, message, wParam, lParam) | DLGC_WANTMESSAGE;
                return true;
            }
        }
        return false;
    case WM_KEYDOWN:
        if (wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
            FocusNextControl(control, GetKeyState(VK_SHIFT) < 0);
            return true;
        }
        // Enter clicks the button only while it has the focus, with no modifier held; it is no
        // default button, so Enter in a field clicks nothing.
        if (isButton && wParam == VK_RETURN) {
            if (!ModifierHeld())
                SendMessageW(m_handle, WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED),
                             reinterpret_cast<LPARAM>(btnPut));
            return true;
        }
        return false;
    case WM_CHAR:
        // The characters of keys handled above: a field would refuse them with a beep.
        return wParam == L'\t' || (isButton && wParam == L'\r');
    default:
        return false;
    }
}

} // namespace mrfyc
