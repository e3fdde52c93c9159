// SPDX-License-Identifier: MIT
#include "ui/win32/spin_button.h"

#include "files/win32/wide_text.h"
#include "rules/accessible_names.h"
#include "rules/errors.h"
#include "rules/layout_scaling.h"
#include "rules/spin_field_geometry.h"
#include "shell/win32/window_text.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

namespace mrfyc {

namespace {

constexpr wchar_t kClassName[] = L"mrfycSpinButton";
constexpr UINT_PTR kUpTimer = 1;
constexpr UINT_PTR kDownTimer = 2;

POINT PointOf(LPARAM lParam)
{
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

} // namespace

TSpinButton::TSpinButton(HWND parent, const Rect &bounds)
    : m_window(CreatePairWindow(parent, bounds)), m_up(m_handle, kUpTimer, ArrowDirection::Up),
      m_down(m_handle, kDownTimer, ArrowDirection::Down)
{
    m_up.SetAllowRepeat(true);
    m_down.SetAllowRepeat(true);
    m_up.OnClick = [this] {
        if (OnUpClick)
            OnUpClick();
    };
    m_down.OnClick = [this] {
        if (OnDownClick)
            OnDownClick();
    };
    PlaceArrows();
}

HWND TSpinButton::CreatePairWindow(HWND parent, const Rect &bounds)
{
    // No CS_DBLCLKS: the second press of a double-click arrives as a press like the first.
    Register({.Name = kClassName, .Style = CS_HREDRAW | CS_VREDRAW});
    if (!Create(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, bounds.Left,
                bounds.Top, std::max(bounds.Width, kSpinPairWidth), bounds.Height, parent))
        throw Exception("The arrow pair cannot be created", static_cast<int>(GetLastError()));
    return m_handle;
}

AccessibleAnswers TSpinButton::ScreenReaderAnswers()
{
    return {.Role = ROLE_SYSTEM_SPINBUTTON,
            .Name = [this] { return m_accessibleName; },
            .Value = [this] { return m_focusControl ? WindowText(m_focusControl) : L""; },
            .Elements = {ArrowElement(m_up, kUpArrowName), ArrowElement(m_down, kDownArrowName)}};
}

AccessibleElement TSpinButton::ArrowElement(TTimerSpeedButton &arrow, std::string_view name)
{
    return {.Name = win32::ToWideShown(name),
            .DefaultAction = win32::ToWideShown(kArrowDefaultAction),
            .Place =
                [&arrow] {
                    const Rect &r = arrow.Bounds();
                    return RECT{r.Left, r.Top, r.Left + r.Width, r.Top + r.Height};
                },
            .Pressed = [&arrow] { return arrow.IsDown(); },
            // A press steps as a click does; a disabled pair takes none.
            .DoDefaultAction =
                [this, &arrow] {
                    if (IsWindowEnabled(m_handle))
                        arrow.Click();
                }};
}

void TSpinButton::SetBounds(const Rect &bounds)
{
    SetWindowPos(m_handle, nullptr, bounds.Left, bounds.Top, std::max(bounds.Width, kSpinPairWidth),
                 bounds.Height, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceArrows();
}

void TSpinButton::SetPixelsPerInch(int pixelsPerInch)
{
    const int rows = ScaledToScreen(kArrowRows, pixelsPerInch);
    m_up.SetArrowRows(rows);
    m_down.SetArrowRows(rows);
    Rect bounds = Bounds();
    bounds.Width = SpinPairWidth(pixelsPerInch);
    SetBounds(bounds);
    InvalidateRect(m_handle, nullptr, FALSE);
}

Rect TSpinButton::Bounds() const
{
    RECT area{};
    GetWindowRect(m_handle, &area);
    MapWindowPoints(HWND_DESKTOP, GetParent(m_handle), reinterpret_cast<POINT *>(&area), 2);
    return {area.left, area.top, area.right - area.left, area.bottom - area.top};
}

void TSpinButton::PlaceArrows()
{
    RECT client{};
    GetClientRect(m_handle, &client);
    const ArrowPlaces places = mrfyc::PlaceArrows({client.right, client.bottom});
    m_up.SetBounds(places.Up);
    m_down.SetBounds(places.Down);
}

TTimerSpeedButton *TSpinButton::ArrowAt(POINT point)
{
    // The shared row belongs to the upper arrow, which is drawn last over it.
    if (m_up.IsOver(point) && point.y < m_up.Bounds().Height)
        return &m_up;
    if (m_down.IsOver(point))
        return &m_down;
    return point.y < m_up.Bounds().Height ? &m_up : &m_down;
}

void TSpinButton::GiveFocusToControl() const
{
    if (!m_focusControl || GetFocus() == m_focusControl)
        return;
    const LONG style = GetWindowLongW(m_focusControl, GWL_STYLE);
    const bool canFocus =
        (style & WS_TABSTOP) && IsWindowVisible(m_focusControl) && IsWindowEnabled(m_focusControl);
    if (canFocus)
        SetFocus(m_focusControl);
}

void TSpinButton::Press(POINT point, bool leftButton)
{
    TTimerSpeedButton *arrow = ArrowAt(point);
    if (leftButton) {
        GiveFocusToControl();
        if (!IsWindow(m_handle))
            return;
        if (m_pressed && m_pressed != arrow)
            m_pressed->CancelPress();
        m_pressed = arrow;
        SetCapture(m_handle);
    } else if (!m_pressed) {
        m_pressed = arrow;
    }
    arrow->MouseDown(leftButton);
}

void TSpinButton::Release(POINT point, bool leftButton)
{
    TTimerSpeedButton *arrow = m_pressed;
    if (!arrow)
        return;
    if (leftButton || !arrow->IsHeld())
        m_pressed = nullptr;
    if (leftButton && GetCapture() == m_handle)
        ReleaseCapture();
    arrow->MouseUp(leftButton, point);
}

void TSpinButton::CancelPresses()
{
    m_up.CancelPress();
    m_down.CancelPress();
    m_pressed = nullptr;
}

void TSpinButton::Paint()
{
    const PaintDC dc(m_handle);
    m_down.Paint(dc);
    m_up.Paint(dc);
}

LRESULT TSpinButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        Press(PointOf(lParam), message == WM_LBUTTONDOWN);
        return 0;
    case WM_MOUSEMOVE:
        if (m_pressed)
            m_pressed->MouseMove(PointOf(lParam));
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        Release(PointOf(lParam), message == WM_LBUTTONUP);
        return 0;
    case WM_CAPTURECHANGED:
        // The capture went elsewhere (a modal box, another window): the press is over.
        if (reinterpret_cast<HWND>(lParam) != m_handle && m_pressed && m_pressed->IsHeld())
            CancelPresses();
        return 0;
    case WM_CANCELMODE:
        if (GetCapture() == m_handle)
            ReleaseCapture();
        CancelPresses();
        return 0;
    case WM_ENABLE:
        if (!wParam)
            CancelPresses();
        InvalidateRect(m_handle, nullptr, FALSE);
        return 0;
    case WM_TIMER:
        if (wParam == kUpTimer)
            m_up.TimerTick();
        else if (wParam == kDownTimer)
            m_down.TimerTick();
        return 0;
    case WM_SIZE:
        PlaceArrows();
        return 0;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETOBJECT:
        if (const auto answer = m_accessibility.Answer(m_handle, wParam, lParam))
            return *answer;
        return DefWindowProcW(m_handle, message, wParam, lParam);
    default:
        return DefWindowProcW(m_handle, message, wParam, lParam);
    }
}

} // namespace mrfyc
