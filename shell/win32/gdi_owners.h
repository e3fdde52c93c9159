// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

namespace mrfyc {

// Small owners for what Win32 hands out and wants back, so that nothing is released by hand and
// every path (an error included) gives it back.

// A window this object destroys, unless it is already gone.
class OwnedWindow
{
public:
    OwnedWindow() = default;
    explicit OwnedWindow(HWND window) : m_window(window) {}
    ~OwnedWindow() { Reset(); }
    OwnedWindow(const OwnedWindow &) = delete;
    OwnedWindow &operator=(const OwnedWindow &) = delete;

    HWND Get() const { return m_window; }
    void Reset(HWND window = nullptr)
    {
        if (m_window && IsWindow(m_window))
            DestroyWindow(m_window);
        m_window = window;
    }

private:
    HWND m_window = nullptr;
};

// A GDI object (font, brush) this object deletes.
template <typename Handle> class OwnedGdiObject
{
public:
    OwnedGdiObject() = default;
    explicit OwnedGdiObject(Handle object) : m_object(object) {}
    ~OwnedGdiObject() { Reset(); }
    OwnedGdiObject(const OwnedGdiObject &) = delete;
    OwnedGdiObject &operator=(const OwnedGdiObject &) = delete;

    Handle Get() const { return m_object; }
    void Reset(Handle object = nullptr)
    {
        if (m_object)
            DeleteObject(m_object);
        m_object = object;
    }

private:
    Handle m_object = nullptr;
};
using OwnedFont = OwnedGdiObject<HFONT>;
using OwnedBrush = OwnedGdiObject<HBRUSH>;

// GetDC / ReleaseDC: a window's device context, or the screen's for nullptr.
class WindowDC
{
public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~WindowDC() { ReleaseDC(m_window, m_dc); }
    WindowDC(const WindowDC &) = delete;
    WindowDC &operator=(const WindowDC &) = delete;

    operator HDC() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// BeginPaint / EndPaint.
class PaintDC
{
public:
    explicit PaintDC(HWND window) : m_window(window), m_dc(BeginPaint(window, &m_paint)) {}
    ~PaintDC() { EndPaint(m_window, &m_paint); }
    PaintDC(const PaintDC &) = delete;
    PaintDC &operator=(const PaintDC &) = delete;

    operator HDC() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};

// SelectObject, and the previous object selected back at the end; nothing for a null object.
class SelectedObject
{
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : m_dc(dc), m_previous(object ? SelectObject(dc, object) : nullptr)
    {}
    ~SelectedObject()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    SelectedObject(const SelectedObject &) = delete;
    SelectedObject &operator=(const SelectedObject &) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

} // namespace mrfyc
