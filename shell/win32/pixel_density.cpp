// SPDX-License-Identifier: MIT
#include "shell/win32/pixel_density.h"

#include "shell/win32/gdi_owners.h"

namespace mrfyc {

namespace {

template <typename Function> Function User32Function(const char *name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(
                        reinterpret_cast<void (*)()>(GetProcAddress(user32, name)))
                  : nullptr;
}

int SystemPixelsPerInch()
{
    const WindowDC dc(nullptr);
    return GetDeviceCaps(dc, LOGPIXELSY);
}

} // namespace

int WindowPixelsPerInch(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI *)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (window && getDpiForWindow)
        if (const UINT dpi = getDpiForWindow(window))
            return static_cast<int>(dpi);
    return SystemPixelsPerInch();
}

int SystemMetricAt(int index, int pixelsPerInch)
{
    using MetricsForDpi = int(WINAPI *)(int, UINT);
    static const auto metricsForDpi = User32Function<MetricsForDpi>("GetSystemMetricsForDpi");
    return metricsForDpi ? metricsForDpi(index, static_cast<UINT>(pixelsPerInch))
                         : GetSystemMetrics(index);
}

bool MessageFontAt(int pixelsPerInch, LOGFONTW &font)
{
    using ParametersForDpi = BOOL(WINAPI *)(UINT, UINT, void *, UINT, UINT);
    static const auto parametersForDpi =
        User32Function<ParametersForDpi>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    const bool had =
        parametersForDpi
            ? parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                               static_cast<UINT>(pixelsPerInch))
            : SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    if (had)
        font = metrics.lfMessageFont;
    return had;
}

void OuterRectAt(RECT &client, DWORD style, DWORD exStyle, int pixelsPerInch)
{
    using AdjustForDpi = BOOL(WINAPI *)(RECT *, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustForDpi>("AdjustWindowRectExForDpi");
    if (!adjustForDpi ||
        !adjustForDpi(&client, style, FALSE, exStyle, static_cast<UINT>(pixelsPerInch)))
        AdjustWindowRectEx(&client, style, FALSE, exStyle);
}

} // namespace mrfyc
